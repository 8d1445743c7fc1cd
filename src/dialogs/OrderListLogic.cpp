#include "OrderListLogic.h"

#include "Helpers.h"
#include "TagMessage.h"

namespace order {

std::string OrderListRequest(const std::string& cCode)
{
    std::string quoted;
    quoted.reserve(cCode.size());
    for (const char c : cCode) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return BuildTag("WHERE_OPTION", " OH_CC = '" + quoted + "' AND OH_IOG <> 'S' ")
        + BuildTag("ORDERBY", "OH_SD DESC,OH_CODE DESC");
}

std::vector<std::string> OrderListFields()
{
    return { "OH_SD", "OH_AT", "OH_MT", "OH_IOG", "OH_DD", "OH_NOTE", "", "OH_CODE" };
}

QString OrderStateWord(OrderStatus state)
{
    switch (state) {
    case OrderStatus::Sent:
        return QStringLiteral("미접수");
    case OrderStatus::Receiving:
        return QStringLiteral("접수중");
    case OrderStatus::Received:
        return QStringLiteral("접수");
    case OrderStatus::Writing:
        return QStringLiteral("작성중");
    case OrderStatus::None:
        break;
    }
    return QString();
}

OrderListCell OrderListCellDisplay(int col, const QString& cell)
{
    const QString text = Trimmed(cell);
    OrderListCell d;
    switch (col) {
    case 0:
    case 4:
        d.indent = 6;
        if (text.size() == 6)
            d.text = FormatDateCode(text);
        break;
    case 1:
    case 2:
        d.indent = 7;
        if (text.size() == 4)
            d.text = text.left(2) + QLatin1Char(':') + text.mid(2, 2);
        break;
    case 3: {
        const OrderStatus state = OrderStatusFromWire(text.toStdString());
        d.indent = 8;
        d.text = OrderStateWord(state);
        d.red = state == OrderStatus::Writing;
        break;
    }
    default:
        d.text = text;
        break;
    }
    return d;
}

} // namespace order
