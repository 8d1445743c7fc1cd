#pragma once

// TDM: the one object every window reaches. It holds the remembered login
// identifiers, the login values, the exchange fields through which dialogs
// hand results back, and the last answers of some service calls.

#include "AnswerCache.h"
#include "FixedText.h"

#include <QString>

#include <array>
#include <cstdint>
#include <string>

namespace order {

class TDM {
public:
    TDM();  // runs DataModuleCreate
    ~TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    void DataModuleCreate();

    FixedText<6> M_CODE;
    FixedText<11> M_ID;
    FixedText<1> M_MGU;
    FixedText<1> M_DBTYPE;
    FixedText<40> M_NAME;
    FixedText<6> C_CODE;
    FixedText<11> C_ID;
    FixedText<40> C_NAME;
    FixedText<11> C_SS;
    FixedText<1> C_GUA;
    FixedText<1> C_GUB;
    FixedText<1> C_GUC;
    QString C_MSG;
    QString C_NC;
    QString C_MGU;
    // Answers are kept as the UTF-8 text they arrived in; list models read
    // them without converting every cell, and share the list answers.
    std::string NoticeCache;
    AnswerCache TradedCache;
    AnswerCache CatalogCache;
    QString PickedValue;
    QString LineName;
    QString LineUnit;
    QString LineQty;
    QString LineNote;
    bool IsWin2000Family = false;

    // Path of user.ini.
    QString UserIniPath() const;
};

extern TDM* DM;
// Number of service-client objects created; lives with the transport.
std::uint64_t CallCount();
extern std::int32_t LaunchResult;
extern std::array<FixedText<50>, 100> ClassNames;
extern QString ProgramChecksum;
extern QString ProgramDir;       // with a trailing slash
extern QString ProgramFileName;  // without folder
extern QString WorkDir;          // with a trailing slash
extern QString InstallDir;
extern QString UpdateMessage;
extern QString ExtraParam;

// A dialog's width at creation: several make themselves 8 pixels narrower
// where the data module records the Windows 2000 family.
int DialogWidth(int width);

// Empties every global text (at program end).
void ClearGlobals();

}  // namespace order
