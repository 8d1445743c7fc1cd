#include "Commands.h"

#include "DemoData.h"
#include "TagMessage.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace demo {

namespace {

using order::BuildTag;

// A request the service refuses; becomes a failure answer.
struct Refusal {
    std::string code;
    std::string message;
};

[[noreturn]] void Refuse(std::string message, std::string code = "0")
{
    throw Refusal{std::move(code), std::move(message)};
}

[[noreturn]] void DatabaseFailure(Db& db)
{
    throw Refusal{"-9", "데이터베이스 오류입니다: " + db.LastError()};
}

// Values are written into answers without escaping, so a stored value must
// never hold a tag of its own; control characters have no place in any field.
bool IsCleanValue(std::string_view v)
{
    for (const char ch : v) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == '<' || c == '>')
            return false;
    }
    return true;
}

bool IsDigits(std::string_view v)
{
    if (v.empty())
        return false;
    for (const char c : v)
        if (c < '0' || c > '9')
            return false;
    return true;
}

class Request {
public:
    explicit Request(std::string_view text) : text_(text) {}

    bool Has(std::string_view name) const
    {
        return text_.find("<" + std::string(name) + ">") != std::string_view::npos &&
               text_.find("</" + std::string(name) + ">") != std::string_view::npos;
    }
    std::string_view Raw(std::string_view name) const { return order::ExtractTagView(name, text_); }

    // A value that is stored or compared: bounded, without tags or control
    // characters.
    std::string Text(std::string_view name, std::size_t maxBytes) const
    {
        const std::string_view v = Raw(name);
        if (v.size() > maxBytes)
            Refuse(std::string(name) + " 값이 너무 깁니다.", "-2");
        if (!IsCleanValue(v))
            Refuse(std::string(name) + " 값에 사용할 수 없는 문자가 있습니다.", "-2");
        return std::string(v);
    }
    std::string Required(std::string_view name, std::size_t maxBytes) const
    {
        if (!Has(name))
            Refuse(std::string(name) + " 항목이 없습니다.", "-2");
        std::string v = Text(name, maxBytes);
        if (v.empty())
            Refuse(std::string(name) + " 값이 비어 있습니다.", "-2");
        return v;
    }
    std::string_view text() const { return text_; }

private:
    std::string_view text_;
};

class Answer {
public:
    void Add(const std::string& fields) { records_ += BuildTag(order::RecordName(count_++), fields); }
    long long Count() const { return count_; }
    const std::string& RecordsText() const { return records_; }
    std::string Ok(const std::string& extra = {}) const
    {
        return BuildTag("RESULT_CODE", "1") + BuildTag("RESULT_RECORD_COUNT", std::to_string(count_)) + extra +
               records_;
    }

private:
    std::string records_;
    long long count_ = 0;
};

std::string Field(const char* name, const std::string& value)
{
    return BuildTag(name, value);
}

constexpr std::size_t kCodeMax = 20;
constexpr std::size_t kNameMax = 120;
constexpr std::size_t kNoteMax = 300;
constexpr std::size_t kPatternMax = 120;
constexpr int kMaxLines = 99;

// The member named by DB_KEY; every command but the member look-up is
// scoped to it. A member that takes no orders (M_MGU other than "0" or "1")
// is refused here as at the client's login, so that a request sent past the
// login changes nothing either.
std::string MemberKey(Db& db, const Request& req)
{
    const std::string key = req.Required("DB_KEY", kCodeMax);
    Stmt s(db, "SELECT M_MGU FROM members WHERE M_CODE = ?");
    s.Bind(1, key);
    if (!s.Row()) {
        if (s.Failed())
            DatabaseFailure(db);
        Refuse("등록되지 않은 거래처 코드입니다.");
    }
    const std::string mgu = s.Text(0);
    if (mgu != "0" && mgu != "1")
        Refuse("주문을 받을수 없는 거래처 아이디입니다.\r\r아이디를 확인하십시요.");
    return key;
}

// Sort clause from a fixed list: the request text never reaches SQL.
const char* OrderClause(const Request& req, std::initializer_list<std::pair<const char*, const char*>> allowed)
{
    const std::string_view wanted = req.Raw("ORDERBY");
    if (wanted.empty())
        return allowed.begin()->second;
    for (const auto& [text, clause] : allowed)
        if (wanted == text)
            return clause;
    Refuse("지원하지 않는 정렬 방식입니다.", "-2");
}

void RequireFieldName(const Request& req, const char* element, std::initializer_list<const char*> allowed)
{
    const std::string_view name = req.Raw(element);
    for (const char* a : allowed)
        if (name == a)
            return;
    Refuse(std::string(element) + " 값이 올바르지 않습니다.", "-2");
}

// ---- members and customers -------------------------------------------------

std::string LookupMember(Db& db, const Request& req)
{
    RequireFieldName(req, "SAME_FIELD", {"M_ID"});
    const std::string id = req.Text("SAME_KEY", kCodeMax);
    Stmt s(db, "SELECT M_CODE, M_ID, M_NAME, M_MGU, M_DBTYPE FROM members WHERE M_ID = ?");
    s.Bind(1, id);
    Answer a;
    while (s.Row())
        a.Add(Field("M_CODE", s.Text(0)) + Field("M_ID", s.Text(1)) + Field("M_NAME", s.Text(2)) +
              Field("M_MGU", s.Text(3)) + Field("M_DBTYPE", s.Text(4)));
    if (s.Failed())
        DatabaseFailure(db);
    return a.Ok();
}

std::string LookupCustomer(Db& db, const Request& req)
{
    const std::string member = MemberKey(db, req);
    RequireFieldName(req, "SAME_FIELD", {"C_ID", "C_CODE"});
    const bool byId = req.Raw("SAME_FIELD") == "C_ID";
    const std::string key = req.Text("SAME_KEY", kCodeMax);
    Stmt s(db, byId ? "SELECT C_CODE, C_ID, C_NAME, C_SS, C_GUA, C_GUB, C_GUC, C_MSG, C_NC, C_MGU FROM customers "
                      "WHERE M_CODE = ? AND C_ID = ?"
                    : "SELECT C_CODE, C_ID, C_NAME, C_SS, C_GUA, C_GUB, C_GUC, C_MSG, C_NC, C_MGU FROM customers "
                      "WHERE M_CODE = ? AND C_CODE = ?");
    s.Bind(1, member).Bind(2, key);
    Answer a;
    static const char* const kNames[] = {"C_CODE", "C_ID",  "C_NAME", "C_SS", "C_GUA",
                                         "C_GUB",  "C_GUC", "C_MSG",  "C_NC", "C_MGU"};
    while (s.Row()) {
        std::string fields;
        for (int i = 0; i < 10; ++i)
            fields += Field(kNames[i], s.Text(i));
        a.Add(fields);
    }
    if (s.Failed())
        DatabaseFailure(db);
    return a.Ok();
}

std::string SetPassword(Db& db, std::mutex& writeLock, const Request& req)
{
    const std::string member = MemberKey(db, req);
    const std::string customer = req.Required("C_CODE", kCodeMax);
    const std::string password = req.Text("C_SS", 11);
    if (password.size() < 4)
        Refuse("비밀번호는 4자리 이상이어야 합니다.", "-2");
    for (const char c : password)
        if (c <= 0x20 || c >= 0x7F)
            Refuse("비밀번호에 사용할 수 없는 문자가 있습니다.", "-2");
    std::lock_guard lock(writeLock);
    Stmt s(db, "UPDATE customers SET C_SS = ? WHERE M_CODE = ? AND C_CODE = ?");
    s.Bind(1, password).Bind(2, member).Bind(3, customer);
    if (!s.Run())
        DatabaseFailure(db);
    if (db.Changes() != 1)
        Refuse("등록되지 않은 주문자입니다.");
    return Answer().Ok();
}

// ---- products ----------------------------------------------------------------

std::string ProductFields(const Stmt& s)
{
    // Column order of the product queries below.
    return Field("G_CODE", s.Text(0)) + Field("G_NAME", s.Text(1)) + Field("G_BOX", s.Text(2)) +
           Field("G_BCNT", s.Text(3)) + Field("G_BCODE", s.Text(4)) + Field("G_GPN1", s.Text(5)) +
           Field("G_PART", s.Text(6)) + Field("U_COST", s.Text(7)) + Field("U_DATE", s.Text(8)) +
           Field("U_CNT", s.Text(9));
}

// Rows of product records, the same fields for every list and search.
std::string ProductAnswer(Db& db, Stmt& s)
{
    Answer a;
    while (s.Row())
        a.Add(ProductFields(s));
    if (s.Failed())
        DatabaseFailure(db);
    return a.Ok();
}

// A name search: only G_NAME may be searched; the pattern stays a parameter.
std::string NamePattern(const Request& req)
{
    RequireFieldName(req, "LIKE_FIELD", {"G_NAME"});
    return req.Text("LIKE_KEY", kPatternMax);
}

std::string TradedList(Db& db, const Request& req)
{
    const std::string member = MemberKey(db, req);
    RequireFieldName(req, "SAME_FIELD", {"U_CC"});
    const std::string customer = req.Required("SAME_KEY", kCodeMax);
    const bool like = req.Has("LIKE_FIELD") || req.Has("LIKE_KEY");
    std::string pattern;
    if (like)
        pattern = NamePattern(req);
    const char* order = OrderClause(req, {{"U_DATE DESC", " ORDER BY t.U_DATE DESC, p.G_NAME ASC, p.G_CODE ASC"},
                                          {"G_NAME ASC", " ORDER BY p.G_NAME ASC, p.G_CODE ASC"}});
    std::string sql =
        "SELECT p.G_CODE, p.G_NAME, p.G_BOX, p.G_BCNT, p.G_BCODE, p.G_GPN1, p.G_PART, t.U_COST, t.U_DATE, t.U_CNT "
        "FROM traded t JOIN products p ON p.M_CODE = t.M_CODE AND p.G_CODE = t.U_GC "
        "WHERE t.M_CODE = ?1 AND t.U_CC = ?2";
    if (like)
        sql += " AND p.G_NAME LIKE ?3";
    sql += order;
    Stmt s(db, sql.c_str());
    s.Bind(1, member).Bind(2, customer);
    if (like)
        s.Bind(3, pattern);
    return ProductAnswer(db, s);
}

std::string RemoveTraded(Db& db, std::mutex& writeLock, const Request& req)
{
    const std::string member = MemberKey(db, req);
    const std::string customer = req.Required("U_CC", kCodeMax);
    const std::string product = req.Required("U_GC", kCodeMax);
    std::lock_guard lock(writeLock);
    Stmt s(db, "DELETE FROM traded WHERE M_CODE = ? AND U_CC = ? AND U_GC = ?");
    s.Bind(1, member).Bind(2, customer).Bind(3, product);
    if (!s.Run())
        DatabaseFailure(db);
    if (db.Changes() != 1)
        Refuse("거래된 제품 목록에 없는 제품입니다.");
    return Answer().Ok();
}

// Catalogue list and name search: the customer's own price, date and usual
// quantity where it has traded the product, empty otherwise.
std::string Catalogue(Db& db, const Request& req, bool needGroup, bool needLike)
{
    const std::string member = MemberKey(db, req);
    const std::string customer = req.Text("C_CODE", kCodeMax);
    const bool group = needGroup || req.Has("GROUP_FIELD") || req.Has("GROUP_KEY");
    const bool like = needLike || req.Has("LIKE_FIELD") || req.Has("LIKE_KEY");
    std::string groupKey, pattern;
    if (group) {
        RequireFieldName(req, "GROUP_FIELD", {"G_PART"});
        groupKey = req.Text("GROUP_KEY", kCodeMax);
    }
    if (like)
        pattern = NamePattern(req);
    const char* order = OrderClause(req, {{"G_NAME ASC", " ORDER BY p.G_NAME ASC, p.G_CODE ASC"}});
    std::string sql =
        "SELECT p.G_CODE, p.G_NAME, p.G_BOX, p.G_BCNT, p.G_BCODE, p.G_GPN1, p.G_PART, t.U_COST, t.U_DATE, t.U_CNT "
        "FROM products p LEFT JOIN traded t ON t.M_CODE = p.M_CODE AND t.U_CC = ?2 AND t.U_GC = p.G_CODE "
        "WHERE p.M_CODE = ?1";
    if (group)
        sql += " AND p.G_PART = ?3";
    if (like)
        sql += " AND p.G_NAME LIKE ?4";
    sql += order;
    Stmt s(db, sql.c_str());
    s.Bind(1, member).Bind(2, customer);
    if (group)
        s.Bind(3, groupKey);
    if (like)
        s.Bind(4, pattern);
    return ProductAnswer(db, s);
}

std::string Classes(Db& db, const Request& req)
{
    const std::string member = MemberKey(db, req);
    (void)req.Text("C_CODE", kCodeMax);
    // Named classifications first, by name; the products without one last.
    Stmt s(db, "SELECT DISTINCT G_GPN1 FROM products WHERE M_CODE = ? ORDER BY G_GPN1 = '', G_GPN1");
    s.Bind(1, member);
    Answer a;
    while (s.Row())
        a.Add(Field("G_GPN1", s.Text(0)));
    if (s.Failed())
        DatabaseFailure(db);
    return a.Ok();
}

std::string Notices(Db& db, const Request& req)
{
    const std::string member = MemberKey(db, req);
    std::string group = req.Text("GM_GC", kCodeMax);
    if (group.empty())
        group = "999999";
    const char* order = OrderClause(req, {{"GM_NO ASC", " ORDER BY GM_NO ASC"}, {"GM_NO DESC", " ORDER BY GM_NO DESC"}});
    const std::string sql = std::string("SELECT GM_NO, GM_NOTE FROM notices WHERE GM_MC = ? AND GM_GC = ?") + order;
    Stmt s(db, sql.c_str());
    s.Bind(1, member).Bind(2, group);
    Answer a;
    while (s.Row())
        a.Add(Field("GM_NO", s.Text(0)) + Field("GM_NOTE", s.Text(1)));
    if (s.Failed())
        DatabaseFailure(db);
    return a.Ok();
}

// ---- orders ------------------------------------------------------------------

bool IsValidDateCode(std::string_view v)
{
    if (v.size() != 6 || !IsDigits(v))
        return false;
    const int year = 2000 + (v[0] - '0') * 10 + (v[1] - '0');
    const int month = (v[2] - '0') * 10 + (v[3] - '0');
    const int day = (v[4] - '0') * 10 + (v[5] - '0');
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// A quantity as the client writes it: digits, an optional sign and up to
// four decimals (its currency precision).
bool IsQuantity(std::string_view v)
{
    if (!v.empty() && v.front() == '-')
        v.remove_prefix(1);
    const std::size_t dot = v.find('.');
    const std::string_view whole = v.substr(0, dot);
    if (!IsDigits(whole) || whole.size() > 9)
        return false;
    if (dot == std::string_view::npos)
        return true;
    const std::string_view frac = v.substr(dot + 1);
    return IsDigits(frac) && frac.size() <= 4;
}

struct OrderRow {
    std::string code, customer, state, sample;
};

bool FindOrder(Db& db, const std::string& member, const std::string& code, OrderRow& row)
{
    Stmt s(db, "SELECT OH_CODE, OH_CC, OH_IOG, OH_SG FROM orders WHERE OH_MC = ? AND OH_CODE = ?");
    s.Bind(1, member).Bind(2, code);
    if (!s.Row()) {
        if (s.Failed())
            DatabaseFailure(db);
        return false;
    }
    row = {s.Text(0), s.Text(1), s.Text(2), s.Text(3)};
    return true;
}

// The supplier has begun receiving or has received the order: the shop may
// no longer change or delete it.
void RefuseReceived(const std::string& state, const char* receivingText, const char* receivedText)
{
    if (state == "I")
        Refuse(receivingText);
    if (state == "O")
        Refuse(receivedText);
}

struct Line {
    std::string code, name, unit, quantity, note, cc, oc, lo, lg, lb, lm;
};

std::string SendOrder(Db& db, std::mutex& writeLock, const Request& req)
{
    const std::string member = MemberKey(db, req);
    if (!req.Has("ORDERH_DATA") || !req.Has("ORDERL_DATA"))
        Refuse("ORDERH_DATA 와 ORDERL_DATA 항목이 필요합니다.", "-2");
    const Request head(req.Raw("ORDERH_DATA"));
    const Request body(req.Raw("ORDERL_DATA"));

    const std::string code = head.Text("OH_CODE", kCodeMax);
    const std::string customer = head.Required("OH_CC", kCodeMax);
    std::string count = head.Text("OH_MCOUNT", 5);
    if (count.empty())
        count = "1";
    if (!IsDigits(count))
        Refuse("OH_MCOUNT 값이 올바르지 않습니다.", "-2");
    const std::string delivery = head.Text("OH_DD", 6);
    if (!delivery.empty() && !IsValidDateCode(delivery))
        Refuse("배송일이 올바른 날짜(yymmdd)가 아닙니다.", "-2");
    const std::string state = head.Text("OH_IOG", 1);
    if (state != "A" && state != "X")
        Refuse("주문 상태는 A 또는 X 로만 보낼 수 있습니다.", "-2");
    const std::string rcount = head.Text("OH_RCOUNT", 3);
    const std::string note = head.Text("OH_NOTE", kNoteMax);
    const std::string type = head.Text("OH_TYPE", 2);
    const std::string scode = head.Text("OH_SCODE", kCodeMax);
    const std::string dg = head.Text("OH_DG", 2);
    const std::string pn = head.Text("OH_PN", kCodeMax);
    const std::string ps = head.Text("OH_PS", kCodeMax);
    const std::string nc = head.Text("OH_NC", kCodeMax);
    const std::string mg = head.Text("OH_MG", 2);
    const std::string mc = head.Text("OH_MC", kCodeMax);
    if (!mc.empty() && mc != member)
        Refuse("OH_MC 가 DB_KEY 와 다릅니다.", "-2");

    {
        Stmt c(db, "SELECT 1 FROM customers WHERE M_CODE = ? AND C_CODE = ?");
        c.Bind(1, member).Bind(2, customer);
        if (!c.Row()) {
            if (c.Failed())
                DatabaseFailure(db);
            Refuse("등록되지 않은 주문자입니다.");
        }
    }

    std::vector<Line> lines;
    for (int i = 0;; ++i) {
        const std::string name = "OLD_" + std::to_string(i);
        if (!body.Has(name))
            break;
        if (i == kMaxLines)
            Refuse("주문 라인은 99줄까지입니다.", "-2");
        const Request l(body.Raw(name));
        const std::string no = l.Text("OL_NO", 3);
        if (no != std::to_string(i))
            Refuse(name + " 의 OL_NO 가 올바르지 않습니다.", "-2");
        Line line;
        line.code = l.Required("OL_GC", kCodeMax);
        line.name = l.Text("OL_GN", kNameMax);
        line.unit = l.Text("OL_GBOX", kCodeMax);
        line.quantity = l.Text("OL_LC", 20);
        if (!IsQuantity(line.quantity))
            Refuse(name + " 의 수량이 숫자가 아닙니다.", "-2");
        line.note = l.Text("OL_LN", kNoteMax);
        line.cc = l.Text("OL_CC", kCodeMax);
        if (!line.cc.empty() && line.cc != customer)
            Refuse(name + " 의 OL_CC 가 OH_CC 와 다릅니다.", "-2");
        line.cc = customer;
        line.oc = l.Text("OL_OC", kCodeMax);
        line.lo = l.Text("OL_LO", 4);
        line.lg = l.Text("OL_LG", 4);
        line.lb = l.Text("OL_LB", 4);
        line.lm = l.Text("OL_LM", 4);
        if (line.code == "YZ") {
            if (line.name.empty())
                Refuse(name + " 직접입력 품목의 이름이 없습니다.", "-2");
        } else {
            Stmt p(db, "SELECT 1 FROM products WHERE M_CODE = ? AND G_CODE = ?");
            p.Bind(1, member).Bind(2, line.code);
            if (!p.Row()) {
                if (p.Failed())
                    DatabaseFailure(db);
                Refuse(name + " 의 제품코드가 등록되지 않았습니다: " + line.code);
            }
        }
        lines.push_back(std::move(line));
    }
    if (lines.empty())
        Refuse("전송할 주문 라인이 없습니다.", "-2");
    if (rcount != std::to_string(lines.size()))
        Refuse("OH_RCOUNT 와 주문 라인 수가 다릅니다.", "-2");

    std::lock_guard lock(writeLock);
    Transaction tx(db);
    if (!tx.Began())
        DatabaseFailure(db);
    std::string orderCode = code;
    std::string orderDate, orderTime;
    if (code.empty()) {
        orderDate = DateCodeDaysAgo(0);
        orderTime = TimeCodeNow();
        Stmt h(db,
               "INSERT INTO orders (OH_MC, OH_CODE, OH_CC, OH_SD, OH_AT, OH_MT, OH_MCOUNT, OH_DD, OH_TYPE, OH_IOG, "
               "OH_SG, OH_SCODE, OH_RCOUNT, OH_NOTE, OH_DG, OH_PN, OH_PS, OH_NC, OH_MG) "
               "VALUES (?, NULL, ?, ?, ?, '', ?, ?, ?, ?, '0', ?, ?, ?, ?, ?, ?, ?, ?)");
        h.Bind(1, member).Bind(2, customer).Bind(3, orderDate).Bind(4, orderTime).Bind(5, count).Bind(6, delivery);
        h.Bind(7, type).Bind(8, state).Bind(9, scode).Bind(10, static_cast<std::int64_t>(lines.size())).Bind(11, note);
        h.Bind(12, dg).Bind(13, pn).Bind(14, ps).Bind(15, nc).Bind(16, mg);
        if (!h.Run())
            DatabaseFailure(db);
        const std::int64_t id = db.LastInsertId();
        char buf[32];
        std::snprintf(buf, sizeof buf, "%08lld", static_cast<long long>(id));
        orderCode = buf;
        Stmt u(db, "UPDATE orders SET OH_CODE = ? WHERE OH_ID = ?");
        u.Bind(1, orderCode).Bind(2, id);
        if (!u.Run())
            DatabaseFailure(db);
    } else {
        OrderRow row;
        if (!FindOrder(db, member, code, row))
            Refuse("주문을 찾을 수 없습니다: " + code);
        if (row.customer != customer)
            Refuse("다른 주문자의 주문입니다.");
        RefuseReceived(row.state, "접수중인 내용은 수정할 수 없습니다.", "이미 접수된 내용은 수정할 수 없습니다.");
        Stmt h(db,
               "UPDATE orders SET OH_MT = ?, OH_MCOUNT = ?, OH_DD = ?, OH_TYPE = ?, OH_IOG = ?, OH_SCODE = ?, "
               "OH_RCOUNT = ?, OH_NOTE = ?, OH_DG = ?, OH_PN = ?, OH_PS = ?, OH_NC = ?, OH_MG = ? "
               "WHERE OH_MC = ? AND OH_CODE = ?");
        h.Bind(1, TimeCodeNow()).Bind(2, count).Bind(3, delivery).Bind(4, type).Bind(5, state).Bind(6, scode);
        h.Bind(7, static_cast<std::int64_t>(lines.size())).Bind(8, note).Bind(9, dg).Bind(10, pn).Bind(11, ps);
        h.Bind(12, nc).Bind(13, mg).Bind(14, member).Bind(15, code);
        if (!h.Run())
            DatabaseFailure(db);
        Stmt d(db, "DELETE FROM order_lines WHERE OH_CODE = ?");
        d.Bind(1, code);
        if (!d.Run())
            DatabaseFailure(db);
    }
    Stmt l(db, "INSERT INTO order_lines VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        l.Reset();
        l.Bind(1, orderCode).Bind(2, static_cast<std::int64_t>(i)).Bind(3, line.cc).Bind(4, line.oc).Bind(5, line.code);
        l.Bind(6, line.name).Bind(7, line.unit).Bind(8, line.lo).Bind(9, line.quantity).Bind(10, line.note);
        l.Bind(11, line.lg).Bind(12, line.lb).Bind(13, line.lm);
        if (!l.Run())
            DatabaseFailure(db);
    }
    if (!tx.Commit())
        DatabaseFailure(db);
    return Answer().Ok(Field("OH_CODE", orderCode));
}


std::string ListOrders(Db& db, const Request& req)
{
    const std::string member = MemberKey(db, req);
    std::string customer, excluded;
    if (!ParseOrderFilter(req.Raw("WHERE_OPTION"), customer, excluded))
        Refuse("WHERE_OPTION 은 \" OH_CC = '코드' AND OH_IOG <> '상태' \" 형식만 받습니다.", "-2");
    const char* order = OrderClause(req, {{"OH_SD DESC,OH_CODE DESC", " ORDER BY OH_SD DESC, OH_CODE DESC"}});
    const std::string sql = std::string("SELECT OH_CODE, OH_SD, OH_AT, OH_MT, OH_IOG, OH_DD, OH_NOTE, OH_MCOUNT, OH_SG, "
                                        "OH_RCOUNT FROM orders WHERE OH_MC = ? AND OH_CC = ? AND OH_IOG <> ?") +
                            order;
    Stmt s(db, sql.c_str());
    s.Bind(1, member).Bind(2, customer).Bind(3, excluded);
    Answer a;
    while (s.Row())
        a.Add(Field("OH_CODE", s.Text(0)) + Field("OH_SD", s.Text(1)) + Field("OH_AT", s.Text(2)) +
              Field("OH_MT", s.Text(3)) + Field("OH_IOG", s.Text(4)) + Field("OH_DD", s.Text(5)) +
              Field("OH_NOTE", s.Text(6)) + Field("OH_MCOUNT", s.Text(7)) + Field("OH_SG", s.Text(8)) +
              Field("OH_RCOUNT", s.Text(9)));
    if (s.Failed())
        DatabaseFailure(db);
    return a.Ok();
}

std::string GetOrder(Db& db, const Request& req)
{
    const std::string member = MemberKey(db, req);
    const std::string code = req.Required("OH_CODE", kCodeMax);
    Stmt h(db,
           "SELECT OH_CODE, OH_SD, OH_AT, OH_MT, OH_MCOUNT, OH_DD, OH_NOTE, OH_IOG, OH_SG, OH_CC, "
           "(SELECT COUNT(*) FROM order_lines l WHERE l.OH_CODE = o.OH_CODE) FROM orders o "
           "WHERE OH_MC = ? AND OH_CODE = ?");
    h.Bind(1, member).Bind(2, code);
    if (!h.Row()) {
        if (h.Failed())
            DatabaseFailure(db);
        Refuse("주문을 찾을 수 없습니다: " + code);
    }
    const std::string head = Field("OH_CODE", h.Text(0)) + Field("OH_SD", h.Text(1)) + Field("OH_AT", h.Text(2)) +
                             Field("OH_MT", h.Text(3)) + Field("OH_MCOUNT", h.Text(4)) + Field("OH_DD", h.Text(5)) +
                             Field("OH_NOTE", h.Text(6)) + Field("OH_IOG", h.Text(7)) + Field("OH_SG", h.Text(8)) +
                             Field("OH_CC", h.Text(9)) + Field("OH_RCOUNT", h.Text(10));
    // Catalogue lines take their name and packing unit from the catalogue;
    // a direct line ("YZ") has only what was typed.
    Stmt l(db,
           "SELECT l.OL_NO, l.OL_GC, CASE WHEN l.OL_GC = 'YZ' THEN l.OL_GN ELSE IFNULL(p.G_NAME, '') END, "
           "CASE WHEN l.OL_GC = 'YZ' THEN l.OL_GBOX ELSE IFNULL(p.G_BOX, '') END, l.OL_GN, l.OL_GBOX, l.OL_LC, "
           "l.OL_LN FROM order_lines l LEFT JOIN products p ON p.M_CODE = ? AND p.G_CODE = l.OL_GC "
           "WHERE l.OH_CODE = ? ORDER BY l.OL_NO");
    l.Bind(1, member).Bind(2, code);
    Answer lines;
    while (l.Row())
        lines.Add(Field("OL_NO", l.Text(0)) + Field("OL_GC", l.Text(1)) + Field("G_NAME", l.Text(2)) +
                  Field("G_BOX", l.Text(3)) + Field("OL_GN", l.Text(4)) + Field("OL_GBOX", l.Text(5)) +
                  Field("OL_LC", l.Text(6)) + Field("OL_LN", l.Text(7)));
    if (l.Failed())
        DatabaseFailure(db);
    // The line records live inside ORDERL_DATA; RESULT_RECORD_COUNT repeats
    // their number for readers that look at the top level.
    return BuildTag("RESULT_CODE", "1") + BuildTag("RESULT_RECORD_COUNT", std::to_string(lines.Count())) +
           BuildTag("ORDERH_DATA", head) + BuildTag("ORDERL_DATA", lines.RecordsText());
}

std::string DeleteOrder(Db& db, std::mutex& writeLock, const Request& req)
{
    const std::string member = MemberKey(db, req);
    const std::string code = req.Required("OH_CODE", kCodeMax);
    std::lock_guard lock(writeLock);
    Transaction tx(db);
    if (!tx.Began())
        DatabaseFailure(db);
    OrderRow row;
    if (!FindOrder(db, member, code, row))
        Refuse("주문을 찾을 수 없습니다: " + code);
    RefuseReceived(row.state, "접수중인 내용은 삭제할 수 없습니다.", "이미 접수된 내용은 삭제할 수 없습니다.");
    Stmt d(db, "DELETE FROM order_lines WHERE OH_CODE = ?");
    d.Bind(1, code);
    Stmt h(db, "DELETE FROM orders WHERE OH_MC = ? AND OH_CODE = ?");
    h.Bind(1, member).Bind(2, code);
    if (!d.Run() || !h.Run() || !tx.Commit())
        DatabaseFailure(db);
    return Answer().Ok();
}

std::string RegisterSample(Db& db, std::mutex& writeLock, const Request& req)
{
    const std::string member = MemberKey(db, req);
    const std::string code = req.Required("OH_CODE", kCodeMax);
    std::string flag = "1";
    if (req.Has("ORDERH_DATA")) {
        const Request head(req.Raw("ORDERH_DATA"));
        const std::string inner = head.Text("OH_CODE", kCodeMax);
        if (!inner.empty() && inner != code)
            Refuse("ORDERH_DATA 의 OH_CODE 가 다릅니다.", "-2");
        if (head.Has("OH_SG"))
            flag = head.Text("OH_SG", 1);
    }
    if (flag != "1" && flag != "0")
        Refuse("OH_SG 는 1 또는 0 이어야 합니다.", "-2");
    std::lock_guard lock(writeLock);
    Transaction tx(db);
    if (!tx.Began())
        DatabaseFailure(db);
    OrderRow row;
    if (!FindOrder(db, member, code, row))
        Refuse("주문을 찾을 수 없습니다: " + code);
    if (row.state == "X")
        Refuse("작성중인 내용은 샘플등록을 할수 없습니다.");
    if (row.state == "A")
        Refuse("미접수 내용은 샘플등록을 할수 없습니다.");
    Stmt u(db, "UPDATE orders SET OH_SG = ? WHERE OH_MC = ? AND OH_CODE = ?");
    u.Bind(1, flag).Bind(2, member).Bind(3, code);
    if (!u.Run() || !tx.Commit())
        DatabaseFailure(db);
    return Answer().Ok();
}

struct Route {
    const char* script;
    const char* command;
};

const Route kRoutes[] = {
    {"/NET/MaruMember.php", "100000"}, {"/NET/Customer.php", "100200"}, {"/NET/Customer.php", "100202"},
    {"/NET/UCost.php", "100300"},      {"/NET/UCost.php", "100303"},    {"/NET/Good.php", "100106"},
    {"/NET/Good.php", "J00106"},       {"/NET/Good.php", "100107"},     {"/NET/Order.php", "100401"},
    {"/NET/Order.php", "100400"},      {"/NET/Order.php", "100411"},    {"/NET/Order.php", "100406"},
    {"/NET/Order.php", "100403"},      {"/NET/GMemo.php", "100102"},
};

}  // namespace

std::string FailureAnswer(std::string_view code, std::string_view message)
{
    return BuildTag("RESULT_CODE", code) + BuildTag("RESULT_MESSAGE", message) + BuildTag("RESULT_RECORD_COUNT", "0");
}

bool ParseOrderFilter(std::string_view where, std::string& customer, std::string& excluded)
{
    constexpr std::string_view kHead = " OH_CC = '";
    constexpr std::string_view kMiddle = "' AND OH_IOG <> '";
    constexpr std::string_view kTail = "' ";
    if (where.substr(0, kHead.size()) != kHead)
        return false;
    std::string_view rest = where.substr(kHead.size());
    // The customer code is an SQL string literal: a doubled quote inside it
    // stands for one quote and belongs to the value.
    std::string cc;
    std::size_t q1 = 0;
    for (;; ++q1) {
        if (q1 >= rest.size())
            return false;
        if (rest[q1] != '\'')
            cc += rest[q1];
        else if (q1 + 1 < rest.size() && rest[q1 + 1] == '\'')
            cc += rest[++q1];
        else
            break;
    }
    rest.remove_prefix(q1);
    if (rest.substr(0, kMiddle.size()) != kMiddle)
        return false;
    rest.remove_prefix(kMiddle.size());
    const std::size_t q2 = rest.find('\'');
    if (q2 == std::string_view::npos)
        return false;
    const std::string_view state = rest.substr(0, q2);
    if (rest.substr(q2) != kTail)
        return false;
    if (cc.empty() || cc.size() > kCodeMax || !IsCleanValue(cc) || state.size() != 1 || !IsCleanValue(state))
        return false;
    customer = std::move(cc);
    excluded = std::string(state);
    return true;
}

std::string RunCommand(std::string_view script, std::string_view elements, Db& db, std::mutex& writeLock)
{
    const Request req(elements);
    if (!req.Has("COMMAND"))
        return FailureAnswer("-1", "COMMAND 항목이 없습니다.");
    const std::string_view command = req.Raw("COMMAND");
    bool known = false;
    bool here = false;
    for (const Route& r : kRoutes) {
        if (command == r.command) {
            known = true;
            here = here || script == r.script;
        }
    }
    if (!known) {
        // The request's text is echoed only when it cannot disturb the answer.
        const std::string_view shown = command.substr(0, 16);
        return FailureAnswer("-1", "알 수 없는 COMMAND 입니다" +
                                       (IsCleanValue(shown) ? ": " + std::string(shown) : std::string(".")));
    }
    if (!here)
        return FailureAnswer("-1", "COMMAND " + std::string(command) + " 는 " + std::string(script) + " 에서 처리하지 않습니다.");
    try {
        if (command == "100000")
            return LookupMember(db, req);
        if (command == "100200")
            return LookupCustomer(db, req);
        if (command == "100202")
            return SetPassword(db, writeLock, req);
        if (command == "100300")
            return TradedList(db, req);
        if (command == "100303")
            return RemoveTraded(db, writeLock, req);
        if (command == "100106")
            return Catalogue(db, req, false, true);
        if (command == "J00106")
            return Catalogue(db, req, true, false);
        if (command == "100107")
            return Classes(db, req);
        if (command == "100401")
            return SendOrder(db, writeLock, req);
        if (command == "100400")
            return ListOrders(db, req);
        if (command == "100411")
            return RegisterSample(db, writeLock, req);
        if (command == "100406")
            return GetOrder(db, req);
        if (command == "100403")
            return DeleteOrder(db, writeLock, req);
        if (command == "100102")
            return Notices(db, req);
    } catch (const Refusal& r) {
        return FailureAnswer(r.code, r.message);
    }
    return FailureAnswer("-1", "처리할 수 없는 요청입니다.");
}

bool SetOrderState(Db& db, std::mutex& writeLock, const std::string& orderCode, const std::string& state,
                   std::string& error)
{
    if (state != "A" && state != "I" && state != "O" && state != "X") {
        error = "state must be one of A, I, O, X";
        return false;
    }
    std::lock_guard lock(writeLock);
    Transaction tx(db);
    if (!tx.Began()) {
        error = db.LastError();
        return false;
    }
    Stmt u(db, "UPDATE orders SET OH_IOG = ? WHERE OH_CODE = ?");
    u.Bind(1, state).Bind(2, orderCode);
    if (!u.Run()) {
        error = db.LastError();
        return false;
    }
    if (db.Changes() != 1) {
        error = "no order " + orderCode;
        return false;
    }
    if (state == "O") {
        // Received goods become the shop's traded products: today's date, the
        // ordered quantity, and the agreed price (the list price when new).
        Stmt t(db,
               "INSERT INTO traded (M_CODE, U_CC, U_GC, U_COST, U_DATE, U_CNT) "
               "SELECT o.OH_MC, o.OH_CC, l.OL_GC, p.G_COST, ?, l.OL_LC FROM orders o "
               "JOIN order_lines l ON l.OH_CODE = o.OH_CODE "
               "JOIN products p ON p.M_CODE = o.OH_MC AND p.G_CODE = l.OL_GC "
               "WHERE o.OH_CODE = ? AND l.OL_GC <> 'YZ' "
               "ON CONFLICT (M_CODE, U_CC, U_GC) DO UPDATE SET U_DATE = excluded.U_DATE, U_CNT = excluded.U_CNT");
        t.Bind(1, DateCodeDaysAgo(0)).Bind(2, orderCode);
        if (!t.Run()) {
            error = db.LastError();
            return false;
        }
    }
    if (!tx.Commit()) {
        error = db.LastError();
        return false;
    }
    return true;
}

}  // namespace demo
