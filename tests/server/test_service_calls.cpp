// Every call function of the client, run against the demo service over
// loopback, gets the answer its window reads.

#include "OrderRequest.h"
#include "ServerTestSupport.h"

#include "Sqlite.h"

#include <algorithm>
#include <functional>
#include <set>

using namespace demo_test;
using order::BuildTag;
using order::ExtractTag;

namespace {

const std::string kMember = "000001";

class ServiceCalls : public ::testing::Test {
protected:
    static void SetUpTestSuite() { env_ = new ServiceEnvironment("service_calls"); }
    static void TearDownTestSuite()
    {
        delete env_;
        env_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(env_->started()); }

    static std::string SendNew(TestOrder o)
    {
        std::string answer;
        order::SendOrder(o.member, OrderElements(o), answer);
        EXPECT_TRUE(order::IsSuccess(answer)) << answer;
        return ExtractTag("OH_CODE", answer);
    }
    static std::string Get(const std::string& code)
    {
        std::string answer;
        order::GetOrder(kMember, code, answer);
        return answer;
    }
    static std::vector<std::string> Orders(const std::string& customer)
    {
        std::string answer;
        order::ListOrders(kMember, OrderFilter(customer), answer);
        EXPECT_TRUE(order::IsSuccess(answer)) << answer;
        return Records(answer);
    }
    static std::string CodeInState(const std::string& customer, const std::string& state)
    {
        for (const auto& r : Orders(customer))
            if (F(r, "OH_IOG") == state)
                return F(r, "OH_CODE");
        return {};
    }

    static ServiceEnvironment* env_;
};

ServiceEnvironment* ServiceCalls::env_ = nullptr;

std::string Same(const char* field, const std::string& key)
{
    return BuildTag("SAME_FIELD", field) + BuildTag("SAME_KEY", key);
}

TEST_F(ServiceCalls, MemberLookupAnswersTheLoginFields)
{
    struct Case {
        const char* id;
        long long count;
        const char* code;
        const char* name;
        const char* mgu;
    };
    const Case cases[] = {
        {"NURI", 1, "000001", "누리식자재 도매센터", "0"},
        {"MAEUL", 1, "000002", "마을상회 물류", "9"},
        {"NOBODY", 0, "", "", ""},
        {"nuri", 0, "", "", ""},
    };
    for (const Case& c : cases) {
        std::string answer;
        order::LookupMember(Same("M_ID", c.id), answer);
        ASSERT_TRUE(order::IsSuccess(answer)) << c.id << ": " << answer;
        EXPECT_EQ(order::RecordCount(answer), c.count) << c.id;
        const std::string rec = ExtractTag("RDC_0", answer);
        EXPECT_EQ(F(rec, "M_CODE"), c.code) << c.id;
        EXPECT_EQ(F(rec, "M_NAME"), c.name) << c.id;
        EXPECT_EQ(F(rec, "M_MGU"), c.mgu) << c.id;
        EXPECT_EQ(F(rec, "M_DBTYPE"), c.count ? "0" : "") << c.id;
        // The transport appends the (empty) CALL_INDEX echo after the body.
        EXPECT_NE(answer.find("<CALL_INDEX></CALL_INDEX>"), std::string::npos);
    }
}

TEST_F(ServiceCalls, CustomerLookupAnswersEveryLoginField)
{
    struct Case {
        const char* member;
        const char* id;
        const char* code;
        const char* name;
        const char* password;
        const char* gua;
        const char* gub;
        const char* guc;
        const char* mgu;
    };
    const Case cases[] = {
        {"000001", "SHOP01", "000101", "행복마트", "2580", "0", "1", "0", "1"},
        {"000001", "SHOP02", "000102", "우리슈퍼", "1470", "1", "1", "0", "A"},
        {"000001", "SHOP03", "000103", "동네식품", "3690", "0", "0", "1", "1"},
        {"000001", "SHOP04", "000104", "새봄상회", "", "0", "1", "0", "1"},
    };
    for (const Case& c : cases) {
        std::string answer;
        order::LookupCustomer(c.member, Same("C_ID", c.id), answer);
        ASSERT_TRUE(order::IsSuccess(answer)) << answer;
        ASSERT_EQ(order::RecordCount(answer), 1) << c.id;
        const std::string rec = ExtractTag("RDC_0", answer);
        EXPECT_EQ(F(rec, "C_CODE"), c.code);
        EXPECT_EQ(F(rec, "C_NAME"), c.name);
        EXPECT_EQ(F(rec, "C_SS"), c.password);
        EXPECT_EQ(F(rec, "C_GUA"), c.gua) << c.id;
        EXPECT_EQ(F(rec, "C_GUB"), c.gub) << c.id;
        EXPECT_EQ(F(rec, "C_GUC"), c.guc) << c.id;
        EXPECT_EQ(F(rec, "C_MGU"), c.mgu) << c.id;
        for (const char* field : {"C_MSG", "C_NC"})
            EXPECT_NE(rec.find(std::string("<") + field + ">"), std::string::npos) << field;
    }
    std::string answer;
    order::LookupCustomer(kMember, Same("C_ID", "SHOP99"), answer);
    EXPECT_TRUE(order::IsSuccess(answer));
    EXPECT_EQ(order::RecordCount(answer), 0);
    // An unknown supplier key is refused, not answered with another's data.
    order::LookupCustomer("999999", Same("C_ID", "SHOP01"), answer);
    EXPECT_FALSE(order::IsSuccess(answer));
}

TEST_F(ServiceCalls, PasswordChangeIsStoredAndCheckedForShape)
{
    std::string answer;
    order::SetCustomerPassword(kMember, "000101", BuildTag("C_SS", "7391AB"), answer);
    ASSERT_TRUE(order::IsSuccess(answer)) << answer;
    order::LookupCustomer(kMember, Same("C_ID", "SHOP01"), answer);
    EXPECT_EQ(F(ExtractTag("RDC_0", answer), "C_SS"), "7391AB");

    const struct {
        const char* customer;
        const char* password;
    } refused[] = {{"000101", "123"}, {"000101", "123456789012"}, {"000101", "12 45"}, {"000199", "4826"},
                   {"000101", ""}};
    for (const auto& r : refused) {
        order::SetCustomerPassword(kMember, r.customer, BuildTag("C_SS", r.password), answer);
        EXPECT_FALSE(order::IsSuccess(answer)) << r.customer << " " << r.password;
    }
    order::SetCustomerPassword(kMember, "000101", BuildTag("C_SS", "2580"), answer);
    ASSERT_TRUE(order::IsSuccess(answer));
    order::LookupCustomer(kMember, Same("C_ID", "SHOP01"), answer);
    EXPECT_EQ(F(ExtractTag("RDC_0", answer), "C_SS"), "2580");
}

void ExpectProductRecord(const std::string& rec)
{
    for (const char* field : {"G_NAME", "G_BOX", "G_BCNT", "U_DATE", "U_COST", "U_CNT", "G_BCODE", "G_GPN1", "G_CODE"})
        EXPECT_NE(rec.find(std::string("<") + field + ">"), std::string::npos) << field << " in " << rec;
    EXPECT_FALSE(F(rec, "G_NAME").empty());
    EXPECT_FALSE(F(rec, "G_CODE").empty());
    EXPECT_EQ(F(rec, "G_BCODE").size(), 13u);
}

TEST_F(ServiceCalls, TradedListComesInBothSortOrders)
{
    std::string byDate, byName;
    order::ListTradedProducts(kMember, Same("U_CC", "000101") + BuildTag("ORDERBY", "U_DATE DESC"), byDate);
    order::ListTradedProducts(kMember, Same("U_CC", "000101") + BuildTag("ORDERBY", "G_NAME ASC"), byName);
    ASSERT_TRUE(order::IsSuccess(byDate)) << byDate;
    ASSERT_TRUE(order::IsSuccess(byName)) << byName;
    const auto dated = Records(byDate);
    const auto named = Records(byName);
    ASSERT_GE(dated.size(), 20u);
    EXPECT_EQ(dated.size(), named.size());
    for (std::size_t i = 0; i < dated.size(); ++i) {
        ExpectProductRecord(dated[i]);
        EXPECT_EQ(F(dated[i], "U_DATE").size(), 6u);
        EXPECT_FALSE(F(dated[i], "U_COST").empty());
        if (i > 0) {
            EXPECT_GE(F(dated[i - 1], "U_DATE"), F(dated[i], "U_DATE"));
            EXPECT_LE(F(named[i - 1], "G_NAME"), F(named[i], "G_NAME"));
        }
    }
    // Each shop has its own history.
    std::string other;
    order::ListTradedProducts(kMember, Same("U_CC", "000103") + BuildTag("ORDERBY", "G_NAME ASC"), other);
    EXPECT_NE(Records(other).size(), named.size());
}

TEST_F(ServiceCalls, TradedSearchFindsByContainsAndPrefixPatterns)
{
    std::string all;
    order::ListTradedProducts(kMember, Same("U_CC", "000102") + BuildTag("ORDERBY", "G_NAME ASC"), all);
    const auto records = Records(all);
    ASSERT_FALSE(records.empty());
    // Search for a word of the first product's name, and for its first word.
    const std::string name = F(records[0], "G_NAME");
    const std::string first = name.substr(0, name.find(' '));
    for (const std::string& pattern : {"%" + first + "%", first + "%"}) {
        std::string answer;
        order::ListTradedProducts(kMember,
                                  Same("U_CC", "000102") + BuildTag("LIKE_FIELD", "G_NAME") +
                                      BuildTag("LIKE_KEY", pattern) + BuildTag("ORDERBY", "G_NAME ASC"),
                                  answer);
        ASSERT_TRUE(order::IsSuccess(answer)) << answer;
        const auto found = Records(answer);
        ASSERT_GE(found.size(), 1u) << pattern;
        for (const auto& r : found) {
            const std::string n = F(r, "G_NAME");
            if (pattern.front() == '%')
                EXPECT_NE(n.find(first), std::string::npos) << n;
            else
                EXPECT_EQ(n.rfind(first, 0), 0u) << n;
        }
    }
}

TEST_F(ServiceCalls, RemovingATradedProductTakesItOffTheList)
{
    std::string answer;
    order::ListTradedProducts(kMember, Same("U_CC", "000103") + BuildTag("ORDERBY", "G_NAME ASC"), answer);
    const auto before = Records(answer);
    ASSERT_FALSE(before.empty());
    const std::string code = F(before[0], "G_CODE");
    order::RemoveTradedProduct(kMember, "000103", code, answer);
    EXPECT_TRUE(order::IsSuccess(answer)) << answer;
    order::ListTradedProducts(kMember, Same("U_CC", "000103") + BuildTag("ORDERBY", "G_NAME ASC"), answer);
    const auto after = Records(answer);
    EXPECT_EQ(after.size(), before.size() - 1);
    for (const auto& r : after)
        EXPECT_NE(F(r, "G_CODE"), code);
    // Removing it again, or another shop's product, is refused.
    order::RemoveTradedProduct(kMember, "000103", code, answer);
    EXPECT_FALSE(order::IsSuccess(answer));
}

TEST_F(ServiceCalls, CatalogueListHoldsTheGroupWithTheShopsOwnTradeFields)
{
    std::string answer;
    order::ListGroupProducts(kMember,
                             BuildTag("C_CODE", "000101") + BuildTag("GROUP_FIELD", "G_PART") +
                                 BuildTag("GROUP_KEY", "A") + BuildTag("ORDERBY", "G_NAME ASC"),
                             answer);
    ASSERT_TRUE(order::IsSuccess(answer)) << answer;
    const auto records = Records(answer);
    ASSERT_GE(records.size(), 200u);
    std::string traded;
    order::ListTradedProducts(kMember, Same("U_CC", "000101"), traded);
    std::set<std::string> tradedCodes;
    for (const auto& r : Records(traded))
        tradedCodes.insert(F(r, "G_CODE"));
    std::set<std::string> classes;
    std::size_t withoutClass = 0, withTrade = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto& r = records[i];
        ExpectProductRecord(r);
        EXPECT_EQ(F(r, "G_PART"), "A");
        if (i > 0) {
            EXPECT_LE(F(records[i - 1], "G_NAME"), F(r, "G_NAME"));
        }
        const bool isTraded = tradedCodes.count(F(r, "G_CODE")) > 0;
        // Untraded products carry no date and no price, so "traded only"
        // filters can tell them apart.
        EXPECT_EQ(F(r, "U_DATE").empty(), !isTraded) << F(r, "G_NAME");
        EXPECT_EQ(F(r, "U_COST").empty(), !isTraded) << F(r, "G_NAME");
        withTrade += isTraded;
        const std::string cls = F(r, "G_GPN1");
        if (cls.empty())
            ++withoutClass;
        else
            classes.insert(cls);
    }
    EXPECT_EQ(withTrade, tradedCodes.size());
    EXPECT_GE(classes.size(), 10u);
    EXPECT_GE(withoutClass, 5u);
    // Group "B" holds other products.
    order::ListGroupProducts(kMember,
                             BuildTag("C_CODE", "000101") + BuildTag("GROUP_FIELD", "G_PART") +
                                 BuildTag("GROUP_KEY", "B") + BuildTag("ORDERBY", "G_NAME ASC"),
                             answer);
    const auto groupB = Records(answer);
    ASSERT_FALSE(groupB.empty());
    for (const auto& r : groupB)
        EXPECT_EQ(F(r, "G_PART"), "B");
}

TEST_F(ServiceCalls, CatalogueSearchIgnoresTheGroup)
{
    std::string answer;
    order::SearchProducts(kMember,
                          BuildTag("C_CODE", "000101") + BuildTag("LIKE_FIELD", "G_NAME") +
                              BuildTag("LIKE_KEY", "업소용%") + BuildTag("ORDERBY", "G_NAME ASC"),
                          answer);
    ASSERT_TRUE(order::IsSuccess(answer)) << answer;
    const auto found = Records(answer);
    EXPECT_EQ(found.size(), 10u);
    order::SearchProducts(kMember,
                          BuildTag("C_CODE", "000101") + BuildTag("LIKE_FIELD", "G_NAME") +
                              BuildTag("LIKE_KEY", "%우유%") + BuildTag("ORDERBY", "G_NAME ASC"),
                          answer);
    const auto milk = Records(answer);
    ASSERT_GE(milk.size(), 5u);
    for (const auto& r : milk)
        EXPECT_NE(F(r, "G_NAME").find("우유"), std::string::npos);
    order::SearchProducts(kMember,
                          BuildTag("C_CODE", "000101") + BuildTag("LIKE_FIELD", "G_NAME") +
                              BuildTag("LIKE_KEY", "%없는제품이름%") + BuildTag("ORDERBY", "G_NAME ASC"),
                          answer);
    EXPECT_TRUE(order::IsSuccess(answer));
    EXPECT_EQ(order::RecordCount(answer), 0);
}

TEST_F(ServiceCalls, ClassesEndWithTheProductsWithoutOne)
{
    std::string answer;
    order::ListClasses(kMember, BuildTag("C_CODE", "000101"), answer);
    ASSERT_TRUE(order::IsSuccess(answer)) << answer;
    const auto records = Records(answer);
    ASSERT_GE(records.size(), 11u);
    std::set<std::string> names;
    for (std::size_t i = 0; i + 1 < records.size(); ++i) {
        EXPECT_FALSE(F(records[i], "G_GPN1").empty());
        names.insert(F(records[i], "G_GPN1"));
    }
    EXPECT_EQ(names.size(), records.size() - 1);
    EXPECT_EQ(F(records.back(), "G_GPN1"), "");
    EXPECT_TRUE(names.count("라면"));
}

TEST_F(ServiceCalls, NoticesComeInNumberOrder)
{
    std::string answer;
    order::ListNotices(kMember, BuildTag("GM_GC", "999999") + BuildTag("ORDERBY", "GM_NO ASC"), answer);
    ASSERT_TRUE(order::IsSuccess(answer)) << answer;
    const auto records = Records(answer);
    ASSERT_GE(records.size(), 3u);
    EXPECT_LE(records.size(), 20u);
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_FALSE(F(records[i], "GM_NOTE").empty());
        EXPECT_EQ(F(records[i], "GM_NO"), std::to_string(i + 1));
    }
    EXPECT_EQ(F(records[0], "GM_NOTE"), "[공지] 주문 마감은 매일 오후 4시입니다.");
}

TEST_F(ServiceCalls, SeededOrdersShowEveryStateAndASample)
{
    for (const char* customer : {"000101", "000102", "000103", "000104"}) {
        const auto records = Orders(customer);
        ASSERT_GE(records.size(), 5u) << customer;
        std::set<std::string> states;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const auto& r = records[i];
            states.insert(F(r, "OH_IOG"));
            EXPECT_EQ(F(r, "OH_SD").size(), 6u);
            EXPECT_EQ(F(r, "OH_AT").size(), 4u);
            for (const char* field : {"OH_MT", "OH_DD", "OH_NOTE", "OH_CODE"})
                EXPECT_NE(r.find(std::string("<") + field + ">"), std::string::npos) << field;
            if (i > 0) {
                const auto& p = records[i - 1];
                EXPECT_TRUE(F(p, "OH_SD") > F(r, "OH_SD") ||
                            (F(p, "OH_SD") == F(r, "OH_SD") && F(p, "OH_CODE") > F(r, "OH_CODE")));
            }
        }
        for (const char* s : {"X", "A", "I", "O"})
            EXPECT_TRUE(states.count(s)) << customer << " lacks state " << s;
    }
    // The oldest seeded order of each shop is its sample, with a catalogue
    // line whose name and packing unit come from the catalogue.
    const auto records = Orders("000101");
    const std::string sample = Get(F(records.back(), "OH_CODE"));
    ASSERT_TRUE(order::IsSuccess(sample));
    const std::string head = ExtractTag("ORDERH_DATA", sample);
    EXPECT_EQ(F(head, "OH_SG"), "1");
    EXPECT_EQ(F(head, "OH_IOG"), "O");
}

TEST_F(ServiceCalls, SendingANewOrderCreatesItAndReadingItBackGivesEveryLine)
{
    TestOrder o;
    o.customer = "000102";
    o.nc = "02";
    o.delivery = "261231";
    o.note = "새 주문 메모";
    o.lines = {{"100001", "", "", "3", "첫줄"}, {"100050", "", "", "1000", ""}, {"YZ", "손질 오징어", "kg", "2.5", "직접"}};
    const std::string code = SendNew(o);
    ASSERT_FALSE(code.empty());

    const std::string answer = Get(code);
    ASSERT_TRUE(order::IsSuccess(answer)) << answer;
    const std::string head = ExtractTag("ORDERH_DATA", answer);
    EXPECT_EQ(F(head, "OH_CODE"), code);
    EXPECT_EQ(F(head, "OH_IOG"), "A");
    EXPECT_EQ(F(head, "OH_MCOUNT"), "1");
    EXPECT_EQ(F(head, "OH_DD"), "261231");
    EXPECT_EQ(F(head, "OH_NOTE"), "새 주문 메모");
    EXPECT_EQ(F(head, "OH_RCOUNT"), "3");
    EXPECT_EQ(F(head, "OH_SD").size(), 6u);
    EXPECT_EQ(F(head, "OH_AT").size(), 4u);
    const std::string lines = ExtractTag("ORDERL_DATA", answer);
    const std::string l0 = ExtractTag("RDC_0", lines);
    const std::string l1 = ExtractTag("RDC_1", lines);
    const std::string l2 = ExtractTag("RDC_2", lines);
    EXPECT_EQ(F(l0, "OL_GC"), "100001");
    EXPECT_EQ(F(l0, "G_NAME"), "생수 2L");
    EXPECT_EQ(F(l0, "G_BOX"), "BOX");
    EXPECT_EQ(F(l0, "OL_LC"), "3");
    EXPECT_EQ(F(l0, "OL_LN"), "첫줄");
    EXPECT_EQ(F(l1, "OL_LC"), "1000");
    EXPECT_EQ(F(l2, "OL_GC"), "YZ");
    EXPECT_EQ(F(l2, "OL_GN"), "손질 오징어");
    EXPECT_EQ(F(l2, "OL_GBOX"), "kg");
    EXPECT_EQ(F(l2, "OL_LC"), "2.5");
    EXPECT_TRUE(ExtractTag("RDC_3", lines).empty());

    // The new order heads the shop's list and is in no other shop's list.
    const auto list = Orders("000102");
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(F(list[0], "OH_CODE"), code);
    for (const auto& r : Orders("000101"))
        EXPECT_NE(F(r, "OH_CODE"), code);
}

TEST_F(ServiceCalls, SendingWithACodeReplacesTheOrderUntilTheSupplierReceivesIt)
{
    TestOrder o;
    o.state = "X";
    o.lines = {{"100002", "", "", "1", ""}, {"100003", "", "", "2", ""}};
    const std::string code = SendNew(o);
    ASSERT_FALSE(code.empty());
    const std::string first = ExtractTag("ORDERH_DATA", Get(code));

    o.code = code;
    o.date = F(first, "OH_SD");
    o.time = F(first, "OH_AT");
    o.count = "2";
    o.state = "A";
    o.note = "수정함";
    o.lines = {{"100004", "", "", "7", "바뀐 줄"}};
    std::string answer;
    order::SendOrder(kMember, OrderElements(o), answer);
    ASSERT_TRUE(order::IsSuccess(answer)) << answer;
    std::string read = Get(code);
    std::string head = ExtractTag("ORDERH_DATA", read);
    EXPECT_EQ(F(head, "OH_IOG"), "A");
    EXPECT_EQ(F(head, "OH_MCOUNT"), "2");
    EXPECT_EQ(F(head, "OH_RCOUNT"), "1");
    EXPECT_EQ(F(head, "OH_NOTE"), "수정함");
    EXPECT_EQ(F(head, "OH_SD"), o.date);
    EXPECT_EQ(F(head, "OH_MT").size(), 4u);
    EXPECT_EQ(F(ExtractTag("RDC_0", ExtractTag("ORDERL_DATA", read)), "OL_GC"), "100004");
    EXPECT_TRUE(ExtractTag("RDC_1", ExtractTag("ORDERL_DATA", read)).empty());

    // Receiving ("I", then "O") locks it against changes and deletion.
    for (const char* state : {"I", "O"}) {
        ASSERT_TRUE(env_->server().SetOrderState(code, state));
        o.count = "3";
        order::SendOrder(kMember, OrderElements(o), answer);
        EXPECT_FALSE(order::IsSuccess(answer)) << state;
        order::DeleteOrder(kMember, code, answer);
        EXPECT_FALSE(order::IsSuccess(answer)) << state;
        head = ExtractTag("ORDERH_DATA", Get(code));
        EXPECT_EQ(F(head, "OH_IOG"), state);
        EXPECT_EQ(F(head, "OH_MCOUNT"), "2");
    }
    // A received order's products join the traded list.
    order::ListTradedProducts(kMember, Same("U_CC", "000101"), answer);
    bool found = false;
    for (const auto& r : Records(answer))
        found = found || F(r, "G_CODE") == "100004";
    EXPECT_TRUE(found);
}

TEST_F(ServiceCalls, DeleteRemovesOnlyOrdersNotYetReceived)
{
    TestOrder o;
    o.customer = "000103";
    o.nc = "03";
    o.lines = {{"100010", "", "", "1", ""}};
    const std::string code = SendNew(o);
    std::string answer;
    order::DeleteOrder(kMember, code, answer);
    EXPECT_TRUE(order::IsSuccess(answer)) << answer;
    EXPECT_FALSE(order::IsSuccess(Get(code)));
    order::DeleteOrder(kMember, code, answer);
    EXPECT_FALSE(order::IsSuccess(answer));

    const std::string received = CodeInState("000103", "O");
    ASSERT_FALSE(received.empty());
    order::DeleteOrder(kMember, received, answer);
    EXPECT_FALSE(order::IsSuccess(answer));
    EXPECT_TRUE(order::IsSuccess(Get(received)));
}

TEST_F(ServiceCalls, SampleRegistrationNeedsAnOrderTheSupplierReceives)
{
    const auto sampleElements = [](const std::string& code) {
        return BuildTag("ORDERH_DATA", BuildTag("OH_CODE", code) + BuildTag("OH_SG", "1"));
    };
    std::string answer;
    for (const char* state : {"X", "A"}) {
        const std::string code = CodeInState("000104", state);
        ASSERT_FALSE(code.empty()) << state;
        order::RegisterSample(kMember, code, sampleElements(code), answer);
        EXPECT_FALSE(order::IsSuccess(answer)) << state;
        EXPECT_EQ(F(ExtractTag("ORDERH_DATA", Get(code)), "OH_SG"), "0");
    }
    const std::string receiving = CodeInState("000104", "I");
    order::RegisterSample(kMember, receiving, sampleElements(receiving), answer);
    EXPECT_TRUE(order::IsSuccess(answer)) << answer;
    EXPECT_EQ(F(ExtractTag("ORDERH_DATA", Get(receiving)), "OH_SG"), "1");
    order::RegisterSample(kMember, "99999999", sampleElements("99999999"), answer);
    EXPECT_FALSE(order::IsSuccess(answer));
}

TEST_F(ServiceCalls, OrdersRefusedForBadContentLeaveNothingBehind)
{
    const std::size_t before = Orders("000101").size();
    struct Case {
        const char* what;
        TestOrder order;
    };
    TestOrder base;
    base.lines = {{"100001", "", "", "1", ""}};
    std::vector<Case> cases;
    auto add = [&](const char* what, auto change) {
        TestOrder o = base;
        change(o);
        cases.push_back({what, o});
    };
    add("no lines", [](TestOrder& o) { o.lines.clear(); });
    add("unknown product", [](TestOrder& o) { o.lines[0].code = "999999"; });
    add("direct line without name", [](TestOrder& o) { o.lines[0] = {"YZ", "", "EA", "1", ""}; });
    add("quantity not a number", [](TestOrder& o) { o.lines[0].quantity = "1,000"; });
    add("bad delivery date", [](TestOrder& o) { o.delivery = "261340"; });
    add("state set by the shop", [](TestOrder& o) { o.state = "O"; });
    add("another member's customer", [](TestOrder& o) { o.customer = "000201"; });
    add("unknown order code", [](TestOrder& o) { o.code = "77777777"; });
    add("other supplier in OH_MC", [](TestOrder& o) { o.member = "000002"; });
    add("tag text in a note", [](TestOrder& o) { o.lines[0].note = "a</RDC_1>"; });
    add("control character in a note", [](TestOrder& o) { o.note = "a\tb"; });
    add("100 lines", [](TestOrder& o) { o.lines.assign(100, {"100001", "", "", "1", ""}); });
    for (const Case& c : cases) {
        std::string answer;
        order::SendOrder(kMember, OrderElements(c.order), answer);
        EXPECT_FALSE(order::IsSuccess(answer)) << c.what;
        EXPECT_FALSE(ExtractTag("RESULT_MESSAGE", answer).empty()) << c.what;
    }
    // A line count that disagrees with the lines sent.
    std::string elements = OrderElements(base);
    const std::string from = "<OH_RCOUNT>1</OH_RCOUNT>";
    elements.replace(elements.find(from), from.size(), "<OH_RCOUNT>2</OH_RCOUNT>");
    std::string answer;
    order::SendOrder(kMember, elements, answer);
    EXPECT_FALSE(order::IsSuccess(answer));
    EXPECT_EQ(Orders("000101").size(), before);
}

// MAEUL's M_MGU "9" makes the client's login refuse it; a request sent past
// the login is refused with the login's own words and changes nothing.
TEST_F(ServiceCalls, MemberThatTakesNoOrdersGetsOnlyItsLookup)
{
    const std::string refused = "000002";
    const std::string shop = "000201";  // MAEUL's SHOP01
    const auto stored = [&] {
        demo::Db db;
        std::string error;
        EXPECT_TRUE(db.Open(env_->server().DatabasePath(), error)) << error;
        demo::Stmt s(db, "SELECT (SELECT COUNT(*) FROM orders WHERE OH_MC = ?1) || '/' ||"
                         " (SELECT COUNT(*) FROM traded WHERE M_CODE = ?1) || '/' ||"
                         " (SELECT group_concat(C_SS) FROM customers WHERE M_CODE = ?1)");
        s.Bind(1, refused);
        return s.Row() ? s.Text(0) : std::string("no row");
    };
    const std::string before = stored();

    TestOrder o;
    o.member = refused;
    o.customer = shop;
    o.lines = {{"900001", "", "", "2", ""}};
    const std::string sample = BuildTag("ORDERH_DATA", BuildTag("OH_CODE", "00000001") + BuildTag("OH_SG", "1"));
    using Call = std::function<void(std::string&)>;
    const std::pair<const char*, Call> calls[] = {
        {"customer", [&](std::string& a) { order::LookupCustomer(refused, Same("C_ID", "SHOP01"), a); }},
        {"password", [&](std::string& a) { order::SetCustomerPassword(refused, shop, BuildTag("C_SS", "9999"), a); }},
        {"traded", [&](std::string& a) { order::ListTradedProducts(refused, Same("U_CC", shop), a); }},
        {"remove traded", [&](std::string& a) { order::RemoveTradedProduct(refused, shop, "900001", a); }},
        {"search",
         [&](std::string& a) {
             order::SearchProducts(refused, BuildTag("LIKE_FIELD", "G_NAME") + BuildTag("LIKE_KEY", "%"), a);
         }},
        {"group",
         [&](std::string& a) {
             order::ListGroupProducts(refused, BuildTag("GROUP_FIELD", "G_PART") + BuildTag("GROUP_KEY", "A"), a);
         }},
        {"classes", [&](std::string& a) { order::ListClasses(refused, BuildTag("C_CODE", shop), a); }},
        {"send", [&](std::string& a) { order::SendOrder(refused, OrderElements(o), a); }},
        {"list", [&](std::string& a) { order::ListOrders(refused, OrderFilter(shop), a); }},
        {"sample", [&](std::string& a) { order::RegisterSample(refused, "00000001", sample, a); }},
        {"read", [&](std::string& a) { order::GetOrder(refused, "00000001", a); }},
        {"delete", [&](std::string& a) { order::DeleteOrder(refused, "00000001", a); }},
        {"notices", [&](std::string& a) { order::ListNotices(refused, BuildTag("GM_GC", "999999"), a); }},
    };
    for (const auto& [what, call] : calls) {
        std::string answer;
        call(answer);
        EXPECT_EQ(ExtractTag("RESULT_CODE", answer), "0") << what << ": " << answer;
        EXPECT_EQ(ExtractTag("RESULT_MESSAGE", answer),
                  "주문을 받을수 없는 거래처 아이디입니다.\r\r아이디를 확인하십시요.")
            << what;
        EXPECT_EQ(order::RecordCount(answer), 0) << what;
    }
    EXPECT_EQ(stored(), before);

    std::string answer;
    order::LookupMember(Same("M_ID", "MAEUL"), answer);
    EXPECT_EQ(F(ExtractTag("RDC_0", answer), "M_MGU"), "9");
}

TEST_F(ServiceCalls, NinetyNineLinesAreTheMostAnOrderTakes)
{
    TestOrder o;
    for (int i = 0; i < 99; ++i)
        o.lines.push_back({std::to_string(100001 + i), "", "", std::to_string(i + 1), ""});
    const std::string code = SendNew(o);
    const std::string answer = Get(code);
    EXPECT_EQ(F(ExtractTag("ORDERH_DATA", answer), "OH_RCOUNT"), "99");
    EXPECT_EQ(F(ExtractTag("RDC_98", ExtractTag("ORDERL_DATA", answer)), "OL_LC"), "99");
    std::string deleted;
    order::DeleteOrder(kMember, code, deleted);
    EXPECT_TRUE(order::IsSuccess(deleted));
}

}  // namespace
