#pragma once

// Builds the send request the way the main window does: ORDERH_DATA with its
// 19 elements, then ORDERL_DATA with one OLD_n element of 12 per line.

#include "TagMessage.h"

#include <string>
#include <vector>

namespace demo_test {

struct TestLine {
    std::string code;      // "YZ" for a direct line
    std::string name;      // direct lines only
    std::string unit;      // direct lines only
    std::string quantity;
    std::string note;
};

struct TestOrder {
    std::string code;      // empty: a new order
    std::string date, time;
    std::string count = "1";
    std::string delivery;
    std::string customer = "000101";
    std::string state = "A";
    std::string note;
    std::string member = "000001";
    std::string nc = "01";
    std::vector<TestLine> lines;
};

inline std::string OrderElements(const TestOrder& o)
{
    using order::BuildTag;
    std::string h;
    h += BuildTag("OH_CODE", o.code) + BuildTag("OH_SD", o.date) + BuildTag("OH_AT", o.time) + BuildTag("OH_MT", "");
    h += BuildTag("OH_MCOUNT", o.count) + BuildTag("OH_DD", o.delivery) + BuildTag("OH_CC", o.customer);
    h += BuildTag("OH_TYPE", "C") + BuildTag("OH_IOG", o.state) + BuildTag("OH_SG", "0") + BuildTag("OH_SCODE", "");
    h += BuildTag("OH_RCOUNT", std::to_string(o.lines.size())) + BuildTag("OH_NOTE", o.note) + BuildTag("OH_DG", "X");
    h += BuildTag("OH_PN", "") + BuildTag("OH_PS", "") + BuildTag("OH_MC", o.member) + BuildTag("OH_NC", o.nc);
    h += BuildTag("OH_MG", "N");
    std::string l;
    for (std::size_t i = 0; i < o.lines.size(); ++i) {
        const TestLine& t = o.lines[i];
        const bool direct = t.code == "YZ";
        std::string f = BuildTag("OL_NO", std::to_string(i)) + BuildTag("OL_CC", o.customer) + BuildTag("OL_OC", "");
        f += BuildTag("OL_GC", t.code) + BuildTag("OL_GN", direct ? t.name : "") +
             BuildTag("OL_GBOX", direct ? t.unit : "");
        f += BuildTag("OL_LO", "0") + BuildTag("OL_LC", t.quantity) + BuildTag("OL_LN", t.note);
        f += BuildTag("OL_LG", "E") + BuildTag("OL_LB", "0") + BuildTag("OL_LM", "0");
        l += BuildTag("OLD_" + std::to_string(i), f);
    }
    return BuildTag("ORDERH_DATA", h) + BuildTag("ORDERL_DATA", l);
}

inline std::string OrderFilter(const std::string& customer)
{
    return order::BuildTag("WHERE_OPTION", " OH_CC = '" + customer + "' AND OH_IOG <> 'S' ") +
           order::BuildTag("ORDERBY", "OH_SD DESC,OH_CODE DESC");
}

}  // namespace demo_test
