#include "DataModule.h"

#include "Helpers.h"
#include "HttpClient.h"
#include "IniFile.h"

#include <QFileInfo>

namespace order {

TDM* DM = nullptr;
std::int32_t LaunchResult = 0;
std::array<FixedText<50>, 100> ClassNames;
QString ProgramChecksum;
QString ProgramDir;
QString ProgramFileName;
QString WorkDir;
QString InstallDir;
QString UpdateMessage;
QString ExtraParam;

std::uint64_t CallCount()
{
    return CallCounter.load();
}

TDM::TDM()
{
    DM = this;
    DataModuleCreate();
}

TDM::~TDM()
{
    if (DM == this)
        DM = nullptr;
}

QString TDM::UserIniPath() const
{
    return ProgramDir + QStringLiteral("user.ini");
}

void TDM::DataModuleCreate()
{
    IsWin2000Family = false;  // never a Windows 2000 family system here
    for (auto& n : ClassNames)
        n.clear();
    CallCounter = 0;
    TradedCache.clear();
    CatalogCache.clear();
    C_MSG.clear();
    // An answer of the "download" kind lands in the work folder.
    if (!WorkDir.isEmpty())
        Transport().downloadFile = (WorkDir + QStringLiteral("downfile")).toStdString();

    const std::string path = UserIniPath().toStdString();
    if (!QFileInfo::exists(UserIniPath())) {
        IniFile ini(path);
        ini.WriteString("MASTER", "ID", "");
        ini.WriteString("CUSTOMER", "ID", "");
        ini.Save();
    }
    if (QFileInfo::exists(UserIniPath())) {
        IniFile ini(path);
        M_ID = TrimRight(QString::fromStdString(ini.ReadString("MASTER", "ID", "")));
        C_ID = TrimRight(QString::fromStdString(ini.ReadString("CUSTOMER", "ID", "")));
    }
}

void ClearGlobals()
{
    for (auto& n : ClassNames)
        n.clear();
    ProgramChecksum.clear();
    ProgramDir.clear();
    ProgramFileName.clear();
    WorkDir.clear();
    InstallDir.clear();
    UpdateMessage.clear();
    ExtraParam.clear();
}

int DialogWidth(int width)
{
    return DM && DM->IsWin2000Family ? width - 8 : width;
}

}  // namespace order
