#include "DemoData.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <sstream>
#include <string_view>
#include <vector>

namespace demo {

namespace {

const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS members (
  M_CODE TEXT PRIMARY KEY, M_ID TEXT NOT NULL UNIQUE, M_NAME TEXT NOT NULL,
  M_MGU TEXT NOT NULL, M_DBTYPE TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS customers (
  M_CODE TEXT NOT NULL REFERENCES members(M_CODE), C_CODE TEXT NOT NULL, C_ID TEXT NOT NULL,
  C_NAME TEXT NOT NULL, C_SS TEXT NOT NULL, C_GUA TEXT NOT NULL, C_GUB TEXT NOT NULL,
  C_GUC TEXT NOT NULL, C_MSG TEXT NOT NULL, C_NC TEXT NOT NULL, C_MGU TEXT NOT NULL,
  PRIMARY KEY (M_CODE, C_CODE), UNIQUE (M_CODE, C_ID));
CREATE TABLE IF NOT EXISTS products (
  M_CODE TEXT NOT NULL REFERENCES members(M_CODE), G_CODE TEXT NOT NULL, G_NAME TEXT NOT NULL,
  G_BOX TEXT NOT NULL, G_BCNT INTEGER NOT NULL, G_BCODE TEXT NOT NULL, G_GPN1 TEXT NOT NULL,
  G_PART TEXT NOT NULL, G_COST INTEGER NOT NULL,
  PRIMARY KEY (M_CODE, G_CODE));
CREATE INDEX IF NOT EXISTS products_name ON products (M_CODE, G_NAME);
CREATE INDEX IF NOT EXISTS products_part ON products (M_CODE, G_PART, G_NAME);
CREATE TABLE IF NOT EXISTS traded (
  M_CODE TEXT NOT NULL, U_CC TEXT NOT NULL, U_GC TEXT NOT NULL,
  U_COST INTEGER NOT NULL, U_DATE TEXT NOT NULL, U_CNT TEXT NOT NULL,
  PRIMARY KEY (M_CODE, U_CC, U_GC),
  FOREIGN KEY (M_CODE, U_CC) REFERENCES customers(M_CODE, C_CODE),
  FOREIGN KEY (M_CODE, U_GC) REFERENCES products(M_CODE, G_CODE));
CREATE TABLE IF NOT EXISTS orders (
  OH_ID INTEGER PRIMARY KEY AUTOINCREMENT, OH_MC TEXT NOT NULL, OH_CODE TEXT UNIQUE,
  OH_CC TEXT NOT NULL, OH_SD TEXT NOT NULL, OH_AT TEXT NOT NULL, OH_MT TEXT NOT NULL,
  OH_MCOUNT TEXT NOT NULL, OH_DD TEXT NOT NULL, OH_TYPE TEXT NOT NULL, OH_IOG TEXT NOT NULL,
  OH_SG TEXT NOT NULL, OH_SCODE TEXT NOT NULL, OH_RCOUNT INTEGER NOT NULL, OH_NOTE TEXT NOT NULL,
  OH_DG TEXT NOT NULL, OH_PN TEXT NOT NULL, OH_PS TEXT NOT NULL, OH_NC TEXT NOT NULL,
  OH_MG TEXT NOT NULL,
  FOREIGN KEY (OH_MC, OH_CC) REFERENCES customers(M_CODE, C_CODE));
CREATE INDEX IF NOT EXISTS orders_customer ON orders (OH_MC, OH_CC, OH_SD);
CREATE TABLE IF NOT EXISTS order_lines (
  OH_CODE TEXT NOT NULL REFERENCES orders(OH_CODE) ON DELETE CASCADE, OL_NO INTEGER NOT NULL,
  OL_CC TEXT NOT NULL, OL_OC TEXT NOT NULL, OL_GC TEXT NOT NULL, OL_GN TEXT NOT NULL,
  OL_GBOX TEXT NOT NULL, OL_LO TEXT NOT NULL, OL_LC TEXT NOT NULL, OL_LN TEXT NOT NULL,
  OL_LG TEXT NOT NULL, OL_LB TEXT NOT NULL, OL_LM TEXT NOT NULL,
  PRIMARY KEY (OH_CODE, OL_NO));
CREATE TABLE IF NOT EXISTS notices (
  GM_MC TEXT NOT NULL, GM_NO INTEGER NOT NULL, GM_GC TEXT NOT NULL, GM_NOTE TEXT NOT NULL,
  PRIMARY KEY (GM_MC, GM_NO));
)";

const char* const kCatalog =
#include "DemoCatalog.inc"
    ;

constexpr const char* kMember = "000001";

struct Product {
    std::string cls, name, box;
    int count = 1;
    int cost = 0;
    std::string part = "A";
};

std::vector<Product> CatalogRows()
{
    std::vector<Product> rows;
    std::istringstream in(kCatalog);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::size_t start = 0;
        for (;;) {
            const std::size_t bar = line.find('|', start);
            f.push_back(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
            if (bar == std::string::npos)
                break;
            start = bar + 1;
        }
        if (f.size() != 5)
            continue;
        rows.push_back({f[0], f[1], f[2], std::stoi(f[3]), std::stoi(f[4]), "A"});
    }
    // A second product group, so that the group filter of the catalogue
    // list has something to leave out (name searches still find them).
    const char* const business[][3] = {
        {"조미료", "업소용 식용유 18L", "캔"},   {"조미료", "업소용 진간장 13L", "통"},
        {"조미료", "업소용 설탕 15kg", "포"},    {"쌀/잡곡", "업소용 밀가루 20kg", "포"},
        {"라면", "업소용 라면사리 40입", "BOX"}, {"냉동식품", "업소용 냉동만두 5kg", "봉"},
        {"통조림", "업소용 참치 1.88kg", "캔"},  {"세제", "업소용 주방세제 18L", "통"},
        {"음료", "업소용 탄산음료 시럽 18L", "통"}, {"", "업소용 위생모 100매", "BOX"},
    };
    int cost = 24000;
    for (const auto& b : business) {
        rows.push_back({b[0], b[1], b[2], 1, cost, "B"});
        cost += 3100;
    }
    return rows;
}

// Deterministic pseudo-random numbers, so that every fresh database holds the
// same demo data (tests rely on it).
class Lcg {
public:
    explicit Lcg(std::uint32_t seed) : state_(seed) {}
    int Next(int bound)
    {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<int>((state_ >> 8) % static_cast<std::uint32_t>(bound));
    }

private:
    std::uint32_t state_;
};

std::string ProductCode(int index)
{
    return std::to_string(100001 + index);
}

std::string Barcode(int index)
{
    char body[16];
    std::snprintf(body, sizeof body, "8809%08d", 71000000 + index * 37);
    std::string code(body, 12);
    code += Ean13CheckDigit(code);
    return code;
}

int RoundTo10(long long v)
{
    return static_cast<int>((v + 5) / 10 * 10);
}

struct CustomerSeed {
    const char* id;
    const char* code;
    const char* name;
    const char* password;
    const char* gua;
    const char* gub;
    const char* guc;
    const char* mgu;
    const char* msg;
    const char* nc;
    int traded;
};

const CustomerSeed kCustomers[] = {
    {"SHOP01", "000101", "행복마트", "2580", "0", "1", "0", "1", "", "01", 45},
    {"SHOP02", "000102", "우리슈퍼", "1470", "1", "1", "0", "A", "월말 결제 거래처", "02", 40},
    {"SHOP03", "000103", "동네식품", "3690", "0", "0", "1", "1", "거래된 제품만 주문 가능", "03", 30},
    {"SHOP04", "000104", "새봄상회", "", "0", "1", "0", "1", "신규 거래처", "04", 25},
};

const char* const kNotices[] = {
    "[공지] 주문 마감은 매일 오후 4시입니다.",
    "[배송] 오후 4시 이후 주문은 다음 날 배송됩니다.",
    "[휴무] 매주 일요일은 배송이 없습니다.",
    "[행사] 이번 달 음료 전 품목 5% 추가 할인",
    "[안내] 냉동식품은 아이스팩과 함께 배송됩니다.",
    "[문의] 주문 문의: 1588-0000 (평일 09:00~18:00)",
};

bool Fail(Db& db, std::string& error, const char* what)
{
    error = std::string(what) + ": " + db.LastError();
    return false;
}

}  // namespace

char Ean13CheckDigit(const std::string& twelve)
{
    int sum = 0;
    for (std::size_t i = 0; i < 12 && i < twelve.size(); ++i)
        sum += (twelve[i] - '0') * (i % 2 == 0 ? 1 : 3);
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string DateCodeDaysAgo(int days)
{
    const auto when = std::chrono::system_clock::now() - std::chrono::hours(24) * days;
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", local.tm_year % 100, local.tm_mon + 1, local.tm_mday);
    return buf;
}

std::string TimeCodeNow()
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d%02d", local.tm_hour, local.tm_min);
    return buf;
}

bool CreateSchema(Db& db, bool& created, std::string& error)
{
    Stmt count(db, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'members'");
    if (!count.Row())
        return Fail(db, error, "schema check");
    created = count.Int(0) == 0;
    if (!db.Exec(kSchema))
        return Fail(db, error, "schema");
    return true;
}

bool SeedDemoData(Db& db, std::string& error)
{
    Transaction tx(db);
    if (!tx.Began())
        return Fail(db, error, "seed transaction");

    {
        Stmt m(db, "INSERT INTO members VALUES (?, ?, ?, ?, ?)");
        m.Bind(1, kMember).Bind(2, "NURI").Bind(3, "누리식자재 도매센터").Bind(4, "0").Bind(5, "0");
        if (!m.Run())
            return Fail(db, error, "member");
        // A second supplier that does not take orders: its id shows the
        // refusal at login, and its customer of the same id stays apart.
        m.Reset();
        m.Bind(1, "000002").Bind(2, "MAEUL").Bind(3, "마을상회 물류").Bind(4, "9").Bind(5, "0");
        if (!m.Run())
            return Fail(db, error, "member");
    }

    {
        Stmt c(db, "INSERT INTO customers VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (const auto& s : kCustomers) {
            c.Reset();
            c.Bind(1, kMember).Bind(2, s.code).Bind(3, s.id).Bind(4, s.name).Bind(5, s.password).Bind(6, s.gua);
            c.Bind(7, s.gub).Bind(8, s.guc).Bind(9, s.msg).Bind(10, s.nc).Bind(11, s.mgu);
            if (!c.Run())
                return Fail(db, error, "customer");
        }
        c.Reset();
        c.Bind(1, "000002").Bind(2, "000201").Bind(3, "SHOP01").Bind(4, "마을상회 본점").Bind(5, "1111");
        c.Bind(6, "0").Bind(7, "0").Bind(8, "0").Bind(9, "").Bind(10, "01").Bind(11, "1");
        if (!c.Run())
            return Fail(db, error, "customer");
    }

    const std::vector<Product> catalog = CatalogRows();
    {
        Stmt p(db, "INSERT INTO products VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (std::size_t i = 0; i < catalog.size(); ++i) {
            const Product& row = catalog[i];
            p.Reset();
            p.Bind(1, kMember).Bind(2, ProductCode(static_cast<int>(i))).Bind(3, row.name).Bind(4, row.box);
            p.Bind(5, row.count).Bind(6, Barcode(static_cast<int>(i))).Bind(7, row.cls).Bind(8, row.part);
            p.Bind(9, row.cost);
            if (!p.Run())
                return Fail(db, error, "product");
        }
        p.Reset();
        p.Bind(1, "000002").Bind(2, "900001").Bind(3, "마을 두부 300g").Bind(4, "모").Bind(5, 1);
        p.Bind(6, "8809000000019").Bind(7, "두부").Bind(8, "A").Bind(9, 1500);
        if (!p.Run())
            return Fail(db, error, "product");
    }

    // Traded history: each customer has its own products, prices and dates.
    const int groupA = static_cast<int>(catalog.size()) - 10;  // the group "B" rows are last
    std::vector<std::vector<int>> tradedOf;
    {
        Stmt t(db, "INSERT INTO traded VALUES (?, ?, ?, ?, ?, ?)");
        std::uint32_t seed = 7;
        for (const auto& s : kCustomers) {
            Lcg rng(seed++);
            std::vector<int> picked;
            std::vector<bool> used(catalog.size(), false);
            while (static_cast<int>(picked.size()) < s.traded) {
                const int i = rng.Next(groupA);
                if (used[i])
                    continue;
                used[i] = true;
                picked.push_back(i);
            }
            for (std::size_t k = 0; k < picked.size(); ++k) {
                const int i = picked[k];
                const int percent = 90 + rng.Next(16);
                int cost = RoundTo10(static_cast<long long>(catalog[i].cost) * percent / 100);
                // One product of the price-showing shop has no agreed price yet.
                if (std::string_view(s.gua) == "1" && k == 3)
                    cost = 0;
                t.Reset();
                t.Bind(1, kMember).Bind(2, s.code).Bind(3, ProductCode(i)).Bind(4, cost);
                t.Bind(5, DateCodeDaysAgo(1 + rng.Next(150))).Bind(6, std::to_string(1 + rng.Next(10)));
                if (!t.Run())
                    return Fail(db, error, "traded");
            }
            tradedOf.push_back(std::move(picked));
        }
    }

    // Orders in every state, one of them a sample, with a direct line.
    {
        Stmt h(db,
               "INSERT INTO orders (OH_MC, OH_CODE, OH_CC, OH_SD, OH_AT, OH_MT, OH_MCOUNT, OH_DD, OH_TYPE, OH_IOG, "
               "OH_SG, OH_SCODE, OH_RCOUNT, OH_NOTE, OH_DG, OH_PN, OH_PS, OH_NC, OH_MG) "
               "VALUES (?, NULL, ?, ?, ?, ?, ?, ?, 'C', ?, ?, '', ?, ?, 'X', '', '', ?, 'N')");
        Stmt code(db, "UPDATE orders SET OH_CODE = printf('%08d', OH_ID) WHERE OH_ID = ?");
        Stmt l(db,
               "INSERT INTO order_lines VALUES ((SELECT OH_CODE FROM orders WHERE OH_ID = ?), ?, ?, '', ?, ?, ?, '0', "
               "?, ?, 'E', '0', '0')");
        struct OrderSeed {
            int daysAgo;
            const char* at;
            const char* mt;
            const char* state;
            const char* sample;
            const char* count;
            int deliveryIn;  // days after the order date, -1 for none
            const char* note;
            int lines;
            bool direct;
        };
        const OrderSeed orders[] = {
            {21, "0915", "", "O", "1", "1", 1, "정기 주문 (샘플)", 5, false},
            {12, "1040", "1105", "O", "0", "2", 2, "", 4, true},
            {3, "1420", "", "I", "0", "1", 1, "오전 배송 부탁드립니다", 3, false},
            {1, "0830", "", "A", "0", "1", -1, "", 4, false},
            {0, "0750", "", "X", "0", "1", -1, "작성중 주문", 2, true},
        };
        Lcg rng(99);
        for (std::size_t c = 0; c < std::size(kCustomers); ++c) {
            const auto& s = kCustomers[c];
            const auto& traded = tradedOf[c];
            for (const auto& o : orders) {
                const int lines = o.lines + (o.direct ? 1 : 0);
                h.Reset();
                h.Bind(1, kMember).Bind(2, s.code).Bind(3, DateCodeDaysAgo(o.daysAgo)).Bind(4, o.at).Bind(5, o.mt);
                h.Bind(6, o.count).Bind(7, o.deliveryIn < 0 ? std::string() : DateCodeDaysAgo(o.daysAgo - o.deliveryIn));
                h.Bind(8, o.state).Bind(9, o.sample).Bind(10, lines).Bind(11, o.note).Bind(12, s.nc);
                if (!h.Run())
                    return Fail(db, error, "order");
                const std::int64_t id = db.LastInsertId();
                const std::size_t first = static_cast<std::size_t>(rng.Next(static_cast<int>(traded.size())));
                code.Reset();
                code.Bind(1, id);
                if (!code.Run())
                    return Fail(db, error, "order code");
                for (int n = 0; n < lines; ++n) {
                    l.Reset();
                    l.Bind(1, id).Bind(2, n).Bind(3, s.code);
                    if (o.direct && n == lines - 1) {
                        l.Bind(4, "YZ").Bind(5, "포장용 보냉 스티커").Bind(6, "묶음").Bind(7, "2").Bind(8, "직접 입력 품목");
                    } else {
                        const int pick = traded[(first + static_cast<std::size_t>(n)) % traded.size()];
                        l.Bind(4, ProductCode(pick)).Bind(5, "").Bind(6, "").Bind(7, std::to_string(1 + rng.Next(12)));
                        l.Bind(8, n == 0 && o.note[0] != '\0' ? "빠른 배송" : "");
                    }
                    if (!l.Run())
                        return Fail(db, error, "order line");
                }
            }
        }
    }

    {
        Stmt n(db, "INSERT INTO notices VALUES (?, ?, '999999', ?)");
        int no = 1;
        for (const char* note : kNotices) {
            n.Reset();
            n.Bind(1, kMember).Bind(2, no++).Bind(3, note);
            if (!n.Run())
                return Fail(db, error, "notice");
        }
    }

    if (!tx.Commit())
        return Fail(db, error, "seed commit");
    return true;
}

bool AddLargeCatalog(Db& db, int count, std::string& error)
{
    if (count <= 0)
        return true;
    static const char* const kWords[] = {"국산", "수입", "특선", "실속", "프리미엄", "행사", "대용량", "소포장"};
    static const char* const kKinds[] = {"라면", "음료", "과자", "세제", "통조림", "조미료", "냉동식품", "생활용품"};
    static const char* const kBoxes[] = {"BOX", "EA", "봉", "병", "통", "팩"};
    Transaction tx(db);
    if (!tx.Began())
        return Fail(db, error, "catalogue transaction");
    Stmt p(db, "INSERT OR IGNORE INTO products VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (int i = 0; i < count; ++i) {
        const std::string name = std::string(kWords[i % 8]) + " " + kKinds[(i / 8) % 8] + " " + std::to_string(10000 + i);
        char body[16];
        std::snprintf(body, sizeof body, "8808%08d", i);
        std::string barcode(body, 12);
        barcode += Ean13CheckDigit(barcode);
        p.Reset();
        p.Bind(1, kMember).Bind(2, std::to_string(2000000 + i)).Bind(3, name).Bind(4, kBoxes[i % 6]);
        p.Bind(5, 1 + i % 24).Bind(6, barcode).Bind(7, i % 11 == 0 ? "" : kKinds[(i / 8) % 8]).Bind(8, "A");
        p.Bind(9, 500 + (i % 300) * 100);
        if (!p.Run())
            return Fail(db, error, "catalogue product");
    }
    if (!tx.Commit())
        return Fail(db, error, "catalogue commit");
    return true;
}

std::string DemoLoginsText()
{
    return "Member id (거래처 아이디): NURI  (누리식자재 도매센터, member code 000001)\n"
           "Customer ids (주문자 아이디) and passwords:\n"
           "  SHOP01  password 2580  행복마트   C_GUA 0 C_GUB 1 C_GUC 0: dates in the lists, prices and totals on lines\n"
           "  SHOP02  password 1470  우리슈퍼   C_GUA 1 C_GUB 1 C_GUC 0: prices in the lists, price look-up box\n"
           "  SHOP03  password 3690  동네식품   C_GUA 0 C_GUB 0 C_GUC 1: traded list only, no prices on lines\n"
           "  SHOP04  (no password) 새봄상회   C_GUA 0 C_GUB 1 C_GUC 0: log in with an empty password to register one\n"
           "Member id MAEUL is registered but does not take orders (refused at login).\n"
           "Every shop has traded products and orders in the states X (작성중), A (미접수), I (접수중),\n"
           "O (접수), one of them a sample.\n";
}

}  // namespace demo
