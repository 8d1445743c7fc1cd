#pragma once

// Schema and demo data of the supplier service.

#include "Sqlite.h"

#include <string>

namespace demo {

// Creates the tables when missing. `created` tells whether the database was
// new (no tables before), which is when the demo data is seeded.
bool CreateSchema(Db& db, bool& created, std::string& error);

// The demo supplier "NURI" with its customers, catalogue, traded history,
// orders in every state, a sample and notices; dates relative to today.
bool SeedDemoData(Db& db, std::string& error);

// Adds `count` generated products to the catalogue of member "000001"
// (group "A"), for benchmarks of long lists.
bool AddLargeCatalog(Db& db, int count, std::string& error);

// Date code "yymmdd" of today minus `days` (local time).
std::string DateCodeDaysAgo(int days);
// "hhmm" of the local time now.
std::string TimeCodeNow();

// The logins of the seeded data, as lines for a person to read.
std::string DemoLoginsText();

// Check digit of a 12-digit EAN-13 body.
char Ean13CheckDigit(const std::string& twelveDigits);

}  // namespace demo
