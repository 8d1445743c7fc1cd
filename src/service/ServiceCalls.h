#pragma once

// One function per operation of the supplier's service. Each creates its own
// THTTPClient, builds CALL_INDEX / COMMAND / DB_KEY / own elements / the
// caller's elements, posts to its script and returns the answer text.

#include <cstdint>
#include <string>

namespace order {

struct ServiceEndpoint {
    std::string host;
    std::uint16_t port = 80;
};

// ORDER_SERVICE_HOST ("host" or "host:port", "[v6]:port") or the host
// compiled into the client, which may carry its own port the same way;
// port 80 when neither names one.
ServiceEndpoint ServiceHost();
// The same choice from given texts: environment (null when unset) over the
// built-in host; a malformed environment value falls back to the built-in.
ServiceEndpoint ChooseServiceHost(const char* builtIn, const char* environment);
bool ParseHostPort(const std::string& text, ServiceEndpoint& out);

// Today's code, "-" and the call counter.
std::string MakeCallIndex();

void LookupMember(const std::string& elements, std::string& answer);
void LookupCustomer(const std::string& key, const std::string& elements, std::string& answer);
void SetCustomerPassword(const std::string& key, const std::string& cCode, const std::string& elements,
                         std::string& answer);
void ListTradedProducts(const std::string& key, const std::string& elements, std::string& answer);
void RemoveTradedProduct(const std::string& key, const std::string& uCC, const std::string& uGC, std::string& answer);
void SearchProducts(const std::string& key, const std::string& elements, std::string& answer);
void ListGroupProducts(const std::string& key, const std::string& elements, std::string& answer);
void ListClasses(const std::string& key, const std::string& elements, std::string& answer);
void SendOrder(const std::string& key, const std::string& elements, std::string& answer);
void ListOrders(const std::string& key, const std::string& elements, std::string& answer);
void RegisterSample(const std::string& key, const std::string& ohCode, const std::string& elements, std::string& answer);
void GetOrder(const std::string& key, const std::string& ohCode, std::string& answer);
void DeleteOrder(const std::string& key, const std::string& ohCode, std::string& answer);
void ListNotices(const std::string& key, const std::string& elements, std::string& answer);

}  // namespace order
