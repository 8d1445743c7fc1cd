#pragma once

// The service's operations: one request's elements in, one answer text out.
// Request values reach SQL only as bound parameters; field names, sort
// orders and the order-list filter are matched against fixed shapes.

#include "Sqlite.h"

#include <mutex>
#include <string>
#include <string_view>

namespace demo {

// Answer of a request that failed: RESULT_CODE other than "1" and a
// RESULT_MESSAGE saying why.
std::string FailureAnswer(std::string_view code, std::string_view message);

// Runs the request's COMMAND if it belongs to the script ("/NET/Order.php"
// ...). `writeLock` serialises the writing commands of this process.
std::string RunCommand(std::string_view script, std::string_view elements, Db& db, std::mutex& writeLock);

// Supplier-side receiving: moves an order to "A", "I", "O" or "X". Receiving
// ("O") also records the order's products in the customer's traded list.
bool SetOrderState(Db& db, std::mutex& writeLock, const std::string& orderCode, const std::string& state,
                   std::string& error);

// Parses the order-list filter written as " OH_CC = '%s' AND OH_IOG <> '%s' ".
bool ParseOrderFilter(std::string_view where, std::string& customer, std::string& excludedState);

}  // namespace demo
