// Request text never becomes SQL: injection attempts through every field
// find nothing, change nothing and leave every table as it was.

#include "OrderRequest.h"
#include "ServerTestSupport.h"

#include <map>

using namespace demo_test;
using order::BuildTag;
using order::ExtractTag;

namespace {

const std::string kMember = "000001";

const char* const kPayloads[] = {
    "' OR '1'='1",
    "' OR 1=1 --",
    "'; DROP TABLE orders; --",
    "\" OR \"\"=\"",
    "%' OR '1'='1' --",
    "1) UNION SELECT M_CODE, M_ID, M_NAME, M_MGU, M_DBTYPE FROM members --",
    "000101' --",
    "%",
};

std::string Same(const char* field, const std::string& key)
{
    return BuildTag("SAME_FIELD", field) + BuildTag("SAME_KEY", key);
}

class Injection : public ::testing::Test {
protected:
    static void SetUpTestSuite() { env_ = new ServiceEnvironment("injection"); }
    static void TearDownTestSuite()
    {
        delete env_;
        env_ = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(env_->started());
        before_ = Fingerprint();
        ASSERT_FALSE(before_.empty());
    }
    void TearDown() override
    {
        // Nothing the attempts sent may have changed any table.
        EXPECT_EQ(Fingerprint(), before_);
    }

    // Everything a shop can see, as one map.
    static std::map<std::string, std::string> Fingerprint()
    {
        std::map<std::string, std::string> f;
        std::string a;
        order::LookupMember(Same("M_ID", "NURI"), a);
        f["member"] = ExtractTag("RDC_0", a);
        order::ListGroupProducts(kMember,
                                 BuildTag("C_CODE", "000101") + BuildTag("GROUP_FIELD", "G_PART") +
                                     BuildTag("GROUP_KEY", "A") + BuildTag("ORDERBY", "G_NAME ASC"),
                                 a);
        f["catalogue"] = std::to_string(order::RecordCount(a));
        order::ListNotices(kMember, BuildTag("GM_GC", "999999"), a);
        f["notices"] = std::to_string(order::RecordCount(a));
        for (const char* id : {"SHOP01", "SHOP02", "SHOP03", "SHOP04"}) {
            order::LookupCustomer(kMember, Same("C_ID", id), a);
            const std::string rec = ExtractTag("RDC_0", a);
            f[std::string("customer ") + id] = rec;
            const std::string code = ExtractTag("C_CODE", rec);
            order::ListTradedProducts(kMember, Same("U_CC", code), a);
            f[std::string("traded ") + id] = std::to_string(order::RecordCount(a));
            order::ListOrders(kMember, OrderFilter(code), a);
            std::string orders;
            for (const auto& r : Records(a))
                orders += F(r, "OH_CODE") + F(r, "OH_IOG") + F(r, "OH_SG") + F(r, "OH_MCOUNT") + ";";
            f[std::string("orders ") + id] = orders;
        }
        return f;
    }

    static ServiceEnvironment* env_;
    std::map<std::string, std::string> before_;
};

ServiceEnvironment* Injection::env_ = nullptr;

// A refused request or one that found nothing: never a record.
void ExpectNothing(const std::string& answer, const std::string& what)
{
    EXPECT_EQ(order::RecordCount(answer), 0) << what << "\n" << answer;
}

TEST_F(Injection, LookUpKeysFindNothing)
{
    for (const char* p : kPayloads) {
        std::string a;
        order::LookupMember(Same("M_ID", p), a);
        ExpectNothing(a, std::string("M_ID ") + p);
        order::LookupCustomer(kMember, Same("C_ID", p), a);
        ExpectNothing(a, std::string("C_ID ") + p);
        order::LookupCustomer(p, Same("C_ID", "SHOP01"), a);
        EXPECT_FALSE(order::IsSuccess(a)) << "DB_KEY " << p;
        ExpectNothing(a, std::string("DB_KEY ") + p);
        order::ListTradedProducts(kMember, Same("U_CC", p), a);
        ExpectNothing(a, std::string("U_CC ") + p);
        order::ListNotices(kMember, BuildTag("GM_GC", p), a);
        ExpectNothing(a, std::string("GM_GC ") + p);
        order::ListGroupProducts(kMember,
                                 BuildTag("C_CODE", "000101") + BuildTag("GROUP_FIELD", "G_PART") +
                                     BuildTag("GROUP_KEY", p),
                                 a);
        ExpectNothing(a, std::string("GROUP_KEY ") + p);
    }
}

TEST_F(Injection, FieldNamesAndSortClausesComeOnlyFromTheirLists)
{
    const char* const names[] = {"M_ID OR 1=1", "C_SS", "1", "M_ID--", "G_NAME; DROP TABLE products"};
    for (const char* n : names) {
        std::string a;
        order::LookupMember(Same(n, "NURI"), a);
        EXPECT_FALSE(order::IsSuccess(a)) << n;
        order::LookupCustomer(kMember, Same(n, "SHOP01"), a);
        EXPECT_FALSE(order::IsSuccess(a)) << n;
        order::ListTradedProducts(kMember, Same(n, "000101"), a);
        EXPECT_FALSE(order::IsSuccess(a)) << n;
        order::SearchProducts(kMember, BuildTag("LIKE_FIELD", n) + BuildTag("LIKE_KEY", "%"), a);
        EXPECT_FALSE(order::IsSuccess(a)) << n;
        order::ListGroupProducts(kMember, BuildTag("GROUP_FIELD", n) + BuildTag("GROUP_KEY", "A"), a);
        EXPECT_FALSE(order::IsSuccess(a)) << n;
    }
    const char* const sorts[] = {"G_NAME ASC; DROP TABLE products", "G_NAME DESC", "(SELECT C_SS FROM customers)",
                                 "1", "U_DATE DESC --", "OH_SD DESC, OH_CODE DESC"};
    for (const char* s : sorts) {
        std::string a;
        order::ListTradedProducts(kMember, Same("U_CC", "000101") + BuildTag("ORDERBY", s), a);
        EXPECT_FALSE(order::IsSuccess(a)) << s;
        order::SearchProducts(kMember, BuildTag("LIKE_FIELD", "G_NAME") + BuildTag("LIKE_KEY", "%") + BuildTag("ORDERBY", s),
                              a);
        EXPECT_FALSE(order::IsSuccess(a)) << s;
        order::ListNotices(kMember, BuildTag("ORDERBY", s), a);
        EXPECT_FALSE(order::IsSuccess(a)) << s;
        order::ListOrders(kMember,
                          BuildTag("WHERE_OPTION", " OH_CC = '000101' AND OH_IOG <> 'S' ") + BuildTag("ORDERBY", s), a);
        EXPECT_FALSE(order::IsSuccess(a)) << s;
    }
}

TEST_F(Injection, LikePatternsAreValuesNotSql)
{
    for (const char* p : kPayloads) {
        if (std::string_view(p) == "%")
            continue;
        std::string a;
        order::SearchProducts(kMember, BuildTag("C_CODE", "000101") + BuildTag("LIKE_FIELD", "G_NAME") +
                                           BuildTag("LIKE_KEY", p) + BuildTag("ORDERBY", "G_NAME ASC"),
                              a);
        EXPECT_TRUE(order::IsSuccess(a)) << p;
        ExpectNothing(a, std::string("LIKE_KEY ") + p);
        order::ListTradedProducts(kMember, Same("U_CC", "000101") + BuildTag("LIKE_FIELD", "G_NAME") +
                                               BuildTag("LIKE_KEY", p),
                                  a);
        ExpectNothing(a, std::string("traded LIKE_KEY ") + p);
    }
}

TEST_F(Injection, ShopCodeOfTheCatalogueShowsNoOnesPrices)
{
    for (const char* p : kPayloads) {
        std::string a;
        order::ListGroupProducts(kMember,
                                 BuildTag("C_CODE", p) + BuildTag("GROUP_FIELD", "G_PART") + BuildTag("GROUP_KEY", "A"), a);
        // Refused (too long for a code) or the whole group without any
        // shop's trade fields.
        const auto records = Records(a);
        if (order::IsSuccess(a)) {
            EXPECT_EQ(std::to_string(records.size()), before_.at("catalogue")) << p;
        } else {
            EXPECT_TRUE(records.empty()) << p;
        }
        for (const auto& r : records) {
            EXPECT_EQ(F(r, "U_COST"), "") << p;
            EXPECT_EQ(F(r, "U_DATE"), "") << p;
        }
        order::ListClasses(kMember, BuildTag("C_CODE", p), a);
        EXPECT_EQ(order::RecordCount(a) > 0, order::IsSuccess(a)) << p;
    }
}

TEST_F(Injection, OrderFilterTakesOnlyItsExactShape)
{
    struct Case {
        const char* where;
        bool accepted;
    };
    const Case cases[] = {
        {" OH_CC = '000101' AND OH_IOG <> 'S' ", true},
        {" OH_CC = '000101' OR '1'='1' AND OH_IOG <> 'S' ", false},
        {" OH_CC = '000101' AND OH_IOG <> 'S' OR 1=1 ", false},
        {" OH_CC = '000101' AND OH_IOG <> 'S' ;--", false},
        {" OH_CC = '' OR ''='' AND OH_IOG <> 'S' ", false},
        {" OH_CC = '000101' AND OH_IOG <> '' OR ''='' ", false},
        {"OH_CC = '000101' AND OH_IOG <> 'S'", false},
        {" OH_CC='000101' AND OH_IOG<>'S' ", false},
        {" 1=1 ", false},
        {"", false},
    };
    for (const Case& c : cases) {
        std::string a;
        order::ListOrders(kMember, BuildTag("WHERE_OPTION", c.where) + BuildTag("ORDERBY", "OH_SD DESC,OH_CODE DESC"), a);
        EXPECT_EQ(order::IsSuccess(a), c.accepted) << "[" << c.where << "]";
        if (!c.accepted) {
            ExpectNothing(a, c.where);
        } else {
            for (const auto& r : Records(a))
                EXPECT_EQ(r.find("000102"), std::string::npos);
        }
    }
    // A quote doubled inside the code belongs to the value, as in an SQL
    // string literal; it never ends the value.
    for (const char* where : {" OH_CC = '0''1' AND OH_IOG <> 'S' ", " OH_CC = '1'' OR ''1''=''1' AND OH_IOG <> 'S' "}) {
        std::string a;
        order::ListOrders(kMember, BuildTag("WHERE_OPTION", where) + BuildTag("ORDERBY", "OH_SD DESC,OH_CODE DESC"), a);
        EXPECT_TRUE(order::IsSuccess(a)) << where;
        EXPECT_TRUE(Records(a).empty()) << where;
    }
    // A customer code taken from the filter is a value: another shop's or
    // an invented code finds nothing.
    std::string a;
    order::ListOrders(kMember, OrderFilter("000201"), a);
    ExpectNothing(a, "another supplier's customer");
}

TEST_F(Injection, OrderCodesSelectNothingAndChangeNothing)
{
    for (const char* p : kPayloads) {
        std::string a;
        order::GetOrder(kMember, p, a);
        EXPECT_FALSE(order::IsSuccess(a)) << p;
        EXPECT_TRUE(ExtractTag("ORDERH_DATA", a).empty()) << p;
        order::DeleteOrder(kMember, p, a);
        EXPECT_FALSE(order::IsSuccess(a)) << p;
        order::RegisterSample(kMember, p, BuildTag("ORDERH_DATA", BuildTag("OH_CODE", p) + BuildTag("OH_SG", "1")), a);
        EXPECT_FALSE(order::IsSuccess(a)) << p;
        order::RemoveTradedProduct(kMember, "000101", p, a);
        EXPECT_FALSE(order::IsSuccess(a)) << p;
        order::RemoveTradedProduct(kMember, p, "100001", a);
        EXPECT_FALSE(order::IsSuccess(a)) << p;
        order::SetCustomerPassword(kMember, p, BuildTag("C_SS", "9876"), a);
        EXPECT_FALSE(order::IsSuccess(a)) << p;
        order::SetCustomerPassword(p, "000101", BuildTag("C_SS", "9876"), a);
        EXPECT_FALSE(order::IsSuccess(a)) << p;
    }
}

TEST_F(Injection, OrderFieldsAreRefusedOrStoredLiterally)
{
    for (const char* p : kPayloads) {
        TestOrder o;
        o.lines = {{"100001", "", "", "1", ""}};
        for (auto change : std::initializer_list<void (*)(TestOrder&, const char*)>{
                 [](TestOrder& x, const char* v) { x.customer = v; },
                 [](TestOrder& x, const char* v) { x.code = v; },
                 [](TestOrder& x, const char* v) { x.lines[0].code = v; },
                 [](TestOrder& x, const char* v) { x.lines[0].quantity = v; },
                 [](TestOrder& x, const char* v) { x.delivery = v; },
                 [](TestOrder& x, const char* v) { x.state = v; },
                 [](TestOrder& x, const char* v) { x.count = v; },
             }) {
            TestOrder bad = o;
            change(bad, p);
            std::string a;
            order::SendOrder(kMember, OrderElements(bad), a);
            EXPECT_FALSE(order::IsSuccess(a)) << p;
        }
    }
}

// Free text goes in and comes out byte for byte; the order is then taken
// out again so that the tables are as before.
TEST_F(Injection, FreeTextIsStoredAsWritten)
{
    for (const char* p : kPayloads) {
        TestOrder o;
        o.note = p;
        o.lines = {{"100001", "", "", "1", p}, {"YZ", p, "EA", "1", ""}};
        std::string a;
        order::SendOrder(kMember, OrderElements(o), a);
        ASSERT_TRUE(order::IsSuccess(a)) << p << a;
        const std::string code = ExtractTag("OH_CODE", a);
        order::GetOrder(kMember, code, a);
        EXPECT_EQ(F(ExtractTag("ORDERH_DATA", a), "OH_NOTE"), p);
        const std::string lines = ExtractTag("ORDERL_DATA", a);
        EXPECT_EQ(F(ExtractTag("RDC_0", lines), "OL_LN"), p);
        EXPECT_EQ(F(ExtractTag("RDC_1", lines), "OL_GN"), p);
        order::DeleteOrder(kMember, code, a);
        ASSERT_TRUE(order::IsSuccess(a));
    }
}

TEST_F(Injection, PasswordIsStoredAsWritten)
{
    std::string a;
    order::SetCustomerPassword(kMember, "000103", BuildTag("C_SS", "12';--"), a);
    ASSERT_TRUE(order::IsSuccess(a)) << a;
    order::LookupCustomer(kMember, Same("C_ID", "SHOP03"), a);
    EXPECT_EQ(F(ExtractTag("RDC_0", a), "C_SS"), "12';--");
    order::SetCustomerPassword(kMember, "000103", BuildTag("C_SS", "3690"), a);
    ASSERT_TRUE(order::IsSuccess(a));
}

}  // namespace
