#include "ServiceCalls.h"

#include "DateCode.h"
#include "HttpClient.h"
#include "TagMessage.h"

#include <cstdlib>
#include <initializer_list>
#include <utility>

#ifndef ORDER_SERVICE_DEFAULT_HOST
#define ORDER_SERVICE_DEFAULT_HOST "order.example.invalid"
#endif

namespace order {

bool ParseHostPort(const std::string& text, ServiceEndpoint& out)
{
    if (text.empty())
        return false;
    std::string host = text;
    std::string port;
    if (text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos)
            return false;
        host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':')
                return false;
            port = text.substr(close + 2);
        }
    } else {
        const std::size_t colon = text.find(':');
        if (colon != std::string::npos) {
            if (text.find(':', colon + 1) != std::string::npos)
                return false;
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
        }
    }
    if (host.empty())
        return false;
    std::uint16_t p = 80;
    if (!port.empty()) {
        const long long v = ToIntDef(port, -1);
        if (v < 1 || v > 65535)
            return false;
        p = static_cast<std::uint16_t>(v);
    }
    out.host = host;
    out.port = p;
    return true;
}

ServiceEndpoint ChooseServiceHost(const char* builtIn, const char* environment)
{
    ServiceEndpoint ep{builtIn, 80};
    // A supplier whose service listens on another port bakes in "host:port";
    // taken whole as a host name it would never resolve.
    ParseHostPort(builtIn, ep);
    if (environment) {
        ServiceEndpoint parsed;
        if (ParseHostPort(environment, parsed))
            ep = parsed;
    }
    return ep;
}

ServiceEndpoint ServiceHost()
{
    return ChooseServiceHost(ORDER_SERVICE_DEFAULT_HOST, std::getenv("ORDER_SERVICE_HOST"));
}

std::string MakeCallIndex()
{
    return TodayCode() + "-" + std::to_string(CallCounter.load());
}

namespace {

struct Call {
    const char* command;
    const char* script;
    bool callIndex;
    bool dbKey;
    bool changesData = false;  // never replayed by the transport
};

void Run(const Call& call, const std::string& key,
         std::initializer_list<std::pair<const char*, const std::string*>> own, const std::string* elements,
         std::string& answer)
{
    THTTPClient client;  // counts this call
    client.SetChangesData(call.changesData);
    std::string text;
    if (call.callIndex)
        text += BuildTag("CALL_INDEX", MakeCallIndex());
    text += BuildTag("COMMAND", call.command);
    if (call.dbKey)
        text += BuildTag("DB_KEY", key);
    for (const auto& [name, value] : own)
        text += BuildTag(name, *value);
    if (elements)
        text += *elements;
    const ServiceEndpoint ep = ServiceHost();
    client.PostRequest(ep.host, call.script, answer, ep.port, WrapPostData(text));
}

const std::string kNoKey;

}  // namespace

void LookupMember(const std::string& elements, std::string& answer)
{
    Run({"100000", "/NET/MaruMember.php", false, false}, kNoKey, {}, &elements, answer);
}

void LookupCustomer(const std::string& key, const std::string& elements, std::string& answer)
{
    Run({"100200", "/NET/Customer.php", true, true}, key, {}, &elements, answer);
}

void SetCustomerPassword(const std::string& key, const std::string& cCode, const std::string& elements,
                         std::string& answer)
{
    Run({"100202", "/NET/Customer.php", true, true, true}, key, {{"C_CODE", &cCode}}, &elements, answer);
}

void ListTradedProducts(const std::string& key, const std::string& elements, std::string& answer)
{
    Run({"100300", "/NET/UCost.php", false, true}, key, {}, &elements, answer);
}

void RemoveTradedProduct(const std::string& key, const std::string& uCC, const std::string& uGC, std::string& answer)
{
    Run({"100303", "/NET/UCost.php", false, true, true}, key, {{"U_CC", &uCC}, {"U_GC", &uGC}}, nullptr, answer);
}

void SearchProducts(const std::string& key, const std::string& elements, std::string& answer)
{
    Run({"100106", "/NET/Good.php", true, true}, key, {}, &elements, answer);
}

void ListGroupProducts(const std::string& key, const std::string& elements, std::string& answer)
{
    Run({"J00106", "/NET/Good.php", true, true}, key, {}, &elements, answer);
}

void ListClasses(const std::string& key, const std::string& elements, std::string& answer)
{
    Run({"100107", "/NET/Good.php", true, true}, key, {}, &elements, answer);
}

void SendOrder(const std::string& key, const std::string& elements, std::string& answer)
{
    Run({"100401", "/NET/Order.php", true, true, true}, key, {}, &elements, answer);
}

void ListOrders(const std::string& key, const std::string& elements, std::string& answer)
{
    Run({"100400", "/NET/Order.php", true, true}, key, {}, &elements, answer);
}

void RegisterSample(const std::string& key, const std::string& ohCode, const std::string& elements, std::string& answer)
{
    Run({"100411", "/NET/Order.php", false, true, true}, key, {{"OH_CODE", &ohCode}}, &elements, answer);
}

void GetOrder(const std::string& key, const std::string& ohCode, std::string& answer)
{
    Run({"100406", "/NET/Order.php", true, true}, key, {{"OH_CODE", &ohCode}}, nullptr, answer);
}

void DeleteOrder(const std::string& key, const std::string& ohCode, std::string& answer)
{
    Run({"100403", "/NET/Order.php", true, true, true}, key, {{"OH_CODE", &ohCode}}, nullptr, answer);
}

void ListNotices(const std::string& key, const std::string& elements, std::string& answer)
{
    Run({"100102", "/NET/GMemo.php", true, true}, key, {}, &elements, answer);
}

}  // namespace order
