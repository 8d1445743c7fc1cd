#include "OrderLogic.h"

#include "Helpers.h"
#include "StringGrid.h"
#include "TagMessage.h"

#include <QStringList>

namespace order {

namespace {

    std::string Utf8(const QString& s)
    {
        return s.toStdString();
    }

    QString Text(std::string_view s)
    {
        return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    }

} // namespace

std::string OrderSendRequest(const OrderOnScreen& order, const SenderCodes& sender)
{
    std::string body;
    int n = 0;
    for (const OrderItem& item : order.Lines) {
        const QString code = Trimmed(item.code);
        const bool direct = code == kDirectCode;
        QString qty = item.qty;
        qty.remove(QLatin1Char(','));
        std::string line;
        line += BuildTag("OL_NO", std::to_string(n));
        line += BuildTag("OL_CC", sender.cCode);
        line += BuildTag("OL_OC", "");
        line += BuildTag("OL_GC", Utf8(code));
        line += BuildTag("OL_GN", direct ? Utf8(item.name) : std::string());
        line += BuildTag("OL_GBOX", direct ? Utf8(item.unit) : std::string());
        line += BuildTag("OL_LO", "0");
        line += BuildTag("OL_LC", Utf8(qty));
        line += BuildTag("OL_LN", Utf8(Trimmed(item.note)));
        line += BuildTag("OL_LG", "E");
        line += BuildTag("OL_LB", "0");
        line += BuildTag("OL_LM", "0");
        body += BuildTag("OLD_" + std::to_string(n), line);
        ++n;
    }

    std::string head;
    head += BuildTag("OH_CODE", Utf8(order.OrderCode));
    head += BuildTag("OH_SD", Utf8(order.OrderDate));
    head += BuildTag("OH_AT", Utf8(order.OrderTime));
    head += BuildTag("OH_MT", "");
    head += BuildTag("OH_MCOUNT", std::to_string(order.SendCount));
    head += BuildTag("OH_DD", Utf8(order.DeliveryDate));
    head += BuildTag("OH_CC", sender.cCode);
    head += BuildTag("OH_TYPE", "C");
    head += BuildTag("OH_IOG", WireLetter(order.StillWriting ? OrderStatus::Writing : OrderStatus::Sent));
    head += BuildTag("OH_SG", "0");
    head += BuildTag("OH_SCODE", "");
    head += BuildTag("OH_RCOUNT", std::to_string(n));
    head += BuildTag("OH_NOTE", Utf8(Trimmed(order.Note)));
    head += BuildTag("OH_DG", "X");
    head += BuildTag("OH_PN", "");
    head += BuildTag("OH_PS", "");
    head += BuildTag("OH_MC", sender.mCode);
    head += BuildTag("OH_NC", sender.cNc);
    head += BuildTag("OH_MG", "N");
    return BuildTag("ORDERH_DATA", head) + BuildTag("ORDERL_DATA", body);
}

std::string SampleRequest(const std::string& orderCode)
{
    return BuildTag("ORDERH_DATA", BuildTag("OH_CODE", orderCode) + BuildTag("OH_SG", "1"));
}

QString TrimmedAnswer(const std::string& answer)
{
    std::size_t begin = 0;
    std::size_t end = answer.size();
    while (begin < end && static_cast<unsigned char>(answer[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(answer[end - 1]) <= ' ')
        --end;
    return Text(std::string_view(answer).substr(begin, end - begin));
}

ReadOrderAnswer ParseOrderAnswer(std::string_view answer, int capacity)
{
    ReadOrderAnswer read;
    OrderOnScreen& o = read.order;
    const std::string_view head = ExtractTagView("ORDERH_DATA", answer);
    o.OrderCode = Text(ExtractTagView("OH_CODE", head));
    o.OrderDate = Text(ExtractTagView("OH_SD", head));
    o.OrderTime = Text(ExtractTagView("OH_AT", head));
    // A count the 16-bit send counter cannot hold is no count.
    const long long count = ToIntDef(ExtractTagView("OH_MCOUNT", head), 0);
    o.SendCount = count >= -32768 && count <= 32767 ? static_cast<std::int16_t>(count) : 0;
    o.DeliveryDate = Text(ExtractTagView("OH_DD", head));
    o.Note = Text(ExtractTagView("OH_NOTE", head));
    o.OrderState = OrderStatusFromWire(ExtractTagView("OH_IOG", head));

    const long long n = ToIntDef(ExtractTagView("OH_RCOUNT", head), 0);
    const std::string_view records = ExtractTagView("ORDERL_DATA", answer);
    for (long long r = 0; r < n; ++r) {
        if (r >= capacity) {
            read.complete = false;
            break;
        }
        // Each record is looked up from the start of the lines element, so
        // their order in the answer does not matter.
        const std::string_view record = ExtractTagView(RecordName(r), records);
        if (record.empty()) {
            read.complete = false;
            break;
        }
        OrderItem line;
        line.code = Text(ExtractTagView("OL_GC", record));
        const bool direct = line.code == kDirectCode;
        line.name = Text(ExtractTagView(direct ? "OL_GN" : "G_NAME", record));
        line.unit = Text(ExtractTagView(direct ? "OL_GBOX" : "G_BOX", record));
        line.qty = Text(ExtractTagView("OL_LC", record));
        line.note = Text(ExtractTagView("OL_LN", record));
        o.Lines.push_back(std::move(line));
    }
    return read;
}

std::vector<UnusualLine> UnusualQuantities(
    const TStringGridModel& lines, const TStringGridModel& traded, int tradedCodeCol, int tradedUsualCol)
{
    const TLineColumns c = TLineColumns::ForColumnCount(lines.ColCount());
    const Currency ten = Currency::FromInt(10);
    std::vector<UnusualLine> out;
    for (int r = 0; r < lines.RowCount() && !lines.Cell(c.Code, r).isEmpty(); ++r) {
        const QString code = Trimmed(lines.Cell(c.Code, r));
        for (int g = 0; g < traded.RowCount(); ++g) {
            if (Trimmed(traded.Cell(tradedCodeCol, g)) != code)
                continue;
            const QString usualText = Trimmed(traded.Cell(tradedUsualCol, g));
            const Currency usual = ToCurrency(usualText);
            QString qty = lines.Cell(c.Qty, r);
            qty.remove(QLatin1Char(','));
            if (usual > Currency() && ToCurrency(qty) >= usual * ten)
                out.push_back({ TrimRight(lines.Cell(c.Name, r)), FormatNumberText("###,##0.##", ToCurrency(qty)),
                    FormatNumberText("###,##0.##", usual) });
            break;
        }
    }
    return out;
}

QString UnusualQuantityQuestion(const std::vector<UnusualLine>& lines)
{
    QStringList rows;
    for (const UnusualLine& l : lines)
        rows << l.name + QStringLiteral("  ") + l.qty + QStringLiteral(" (평소 ") + l.usual + QLatin1Char(')');
    return QStringLiteral("평소보다 많은 수량이 있습니다.\r\r") + rows.join(QLatin1Char('\r'))
        + QStringLiteral("\r\r그대로 전송하시겠습니까?");
}

bool IsTransportFailure(std::string_view answer)
{
    return answer.find("<RESULT_CODE>") == std::string_view::npos;
}

std::vector<StoredOrder> OrdersStoredSince(
    std::string_view listAnswer, const QDateTime& since, const QString& delivery, const QString& note)
{
    // The shop's clock and the service's may differ by a few minutes.
    const QDateTime from = since.addSecs(-5 * 60);
    const QString trimmedNote = Trimmed(note);
    std::vector<StoredOrder> out;
    RecordWalker records(listAnswer);
    for (long long i = 0, n = RowsForRecords(listAnswer); i < n; ++i) {
        const std::string_view r = records.Next();
        const QString day = Text(ExtractTagView("OH_SD", r));
        const QString time = Text(ExtractTagView("OH_AT", r));
        const QDateTime stored(QDate(2000 + day.left(2).toInt(), day.mid(2, 2).toInt(), day.mid(4, 2).toInt()),
            QTime(time.left(2).toInt(), time.mid(2, 2).toInt()));
        if (day.size() != 6 || time.size() != 4 || !stored.isValid() || stored < from)
            continue;
        if (Text(ExtractTagView("OH_DD", r)) != delivery || Text(ExtractTagView("OH_NOTE", r)) != trimmedNote)
            continue;
        out.push_back({ Text(ExtractTagView("OH_CODE", r)), time.left(2) + QLatin1Char(':') + time.mid(2, 2) });
    }
    return out;
}

bool SameLines(const ReadOrderAnswer& stored, const std::vector<OrderItem>& lines)
{
    const std::vector<OrderItem>& kept = stored.order.Lines;
    if (!stored.complete || kept.size() != lines.size())
        return false;
    auto qty = [](QString text) {
        text.remove(QLatin1Char(','));
        return ToCurrency(text);
    };
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const OrderItem& s = kept[i];
        const OrderItem& l = lines[i];
        if (Trimmed(s.code) != Trimmed(l.code) || qty(s.qty) != qty(l.qty) || Trimmed(s.note) != Trimmed(l.note))
            return false;
    }
    return true;
}

} // namespace order
