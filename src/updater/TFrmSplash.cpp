#include "TFrmSplash.h"

#include "DataModule.h"
#include "FileChecksum.h"
#include "Folders.h"
#include "Messages.h"
#include "ServiceCalls.h"
#include "TUrlDownload.h"
#include "TcpProbe.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <limits>

namespace order {

TFrmSplash* FrmSplash = nullptr;

namespace {

    const char* const kListFileName = "NRClient.dat";
    constexpr int kConnectTimeoutMs = 5000;

    QString HostForUrl(const std::string& host)
    {
        const QString h = QString::fromStdString(host);
        return h.contains(QLatin1Char(':')) ? QLatin1Char('[') + h + QLatin1Char(']') : h;
    }

    QString FormatUrl(const char* format)
    {
        const ServiceEndpoint ep = ServiceHost();
        const QByteArray host = HostForUrl(ep.host).toUtf8();
        const QByteArray port = QByteArray::number(ep.port);
        return QString::asprintf(format, host.constData(), port.constData());
    }

    // Two folders that are the same place: copying one onto the other would
    // delete each file before copying it onto itself.
    bool SameFolder(const QString& a, const QString& b)
    {
        const QString ca = QFileInfo(a).canonicalFilePath();
        return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
    }

    bool CopyProgramFiles(const QString& from, const QString& to)
    {
        if (SameFolder(from, to))
            return true;
        return CopyFolderFiles(from, to);
    }

} // namespace

QPixmap SplashArtwork(const QSize& size)
{
    QPixmap pm(size);
    pm.fill(QColor(28, 36, 49));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);

    // Sky-blue sweep behind the title.
    QLinearGradient sky(0, 0, 0, 150);
    sky.setColorAt(0, QColor(72, 150, 220));
    sky.setColorAt(1, QColor(28, 36, 49));
    p.fillRect(QRect(0, 0, size.width(), 150), sky);

    QFont title(QStringLiteral("돋움"));
    title.setPixelSize(30);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 50, size.width(), 44), Qt::AlignCenter, QStringLiteral("누리상점 딩동주문3"));
    QFont sub(QStringLiteral("돋움"));
    sub.setPixelSize(13);
    p.setFont(sub);
    p.setPen(QColor(200, 225, 250));
    p.drawText(QRect(0, 100, size.width(), 24), Qt::AlignCenter, QStringLiteral("온라인 주문 프로그램"));

    // Light plate under the black status text and the progress bar.
    QPainterPath plate;
    plate.addRoundedRect(QRectF(80, 184, 314, 66), 8, 8);
    p.fillPath(plate, QColor(226, 236, 246));
    p.setPen(QPen(QColor(120, 170, 220), 2));
    p.drawPath(plate);

    // A parcel mark on the left of the plate.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 162, 62));
    p.drawRoundedRect(QRectF(26, 190, 40, 40), 6, 6);
    p.setPen(QPen(QColor(28, 36, 49), 2));
    p.drawLine(QPointF(46, 190), QPointF(46, 230));
    p.drawLine(QPointF(26, 206), QPointF(66, 206));
    return pm;
}

TFrmSplash::TFrmSplash(QWidget* parent)
    : QDialog(parent)
{
    FrmSplash = this;
    setObjectName(QStringLiteral("FrmSplash"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(402, 268);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(28, 36, 49));
    setPalette(pal);
    setAutoFillBackground(true);

    ImgSP = new QLabel(this);
    ImgSP->setObjectName(QStringLiteral("ImgSP"));
    ImgSP->setGeometry(0, 0, 402, 268);
    ImgSP->setPixmap(SplashArtwork(QSize(402, 268)));

    LblMsg = new QLabel(this);
    LblMsg->setObjectName(QStringLiteral("LblMsg"));
    LblMsg->setGeometry(90, 192, 295, 25);
    LblMsg->setAlignment(Qt::AlignCenter);
    LblMsg->setAttribute(Qt::WA_TranslucentBackground);
    QFont lblFont(QStringLiteral("돋움"));
    lblFont.setPixelSize(13);
    LblMsg->setFont(lblFont);
    LblMsg->setStyleSheet(QStringLiteral("QLabel { color: black; background: transparent; }"));

    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setGeometry(88, 225, 298, 16);
    Gauge1->setOrientation(Qt::Horizontal);
    Gauge1->setTextVisible(true);
    Gauge1->setAlignment(Qt::AlignCenter);
    Gauge1->setStyleSheet(QStringLiteral(
        "QProgressBar { border: none; background-color: rgb(26, 48, 98); color: white; text-align: center; }"
        "QProgressBar::chunk { background-color: rgb(255, 162, 62); }"));
    Gauge1->setRange(0, 100);
    Gauge1->setValue(0);
    Gauge1->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(600);
    connect(Timer1, &QTimer::timeout, this, &TFrmSplash::Timer1Timer);

    // Key preview: the window sees keys before any child.
    installEventFilter(this);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    FormCreate();
    Timer1->start();
}

TFrmSplash::~TFrmSplash()
{
    if (FrmSplash == this)
        FrmSplash = nullptr;
}

void TFrmSplash::FormCreate()
{
    const QString leftOver = ProgramDir + QStringLiteral("NEW_") + ProgramFileName;
    if (!ProgramFileName.isEmpty() && QFileInfo::exists(leftOver))
        QFile::remove(leftOver);
    ProgramChecksum = ChecksumText(FileChecksum(ProgramDir + ProgramFileName));
    LblMsg->setText(QStringLiteral("업데이트 정보를 확인중 입니다.."));
}

QString TFrmSplash::PictureFolder()
{
    // Lower case: the main window reads its banner from "icon/", and on
    // Linux "Icon" would be another folder.
    return ProgramDir + QStringLiteral("icon/");
}

QString TFrmSplash::ListUrl()
{
    return FormatUrl("http://%s:%s/update/nrclient.ini");
}

QString TFrmSplash::PictureBaseUrl()
{
    return FormatUrl("http://%s:%s/update/DATA/IMAGE/");
}

QString TFrmSplash::DataBaseUrl()
{
    return FormatUrl("http://%s:%s/update/DATA/");
}

void TFrmSplash::ExecuteCheck()
{
    checkOnTimer_ = true;
    exec();
}

void TFrmSplash::Timer1Timer()
{
    Timer1->stop();
    // In the temporary copy the window only shows progress; the check runs
    // at a start without arguments, once.
    if (!checkOnTimer_ || checkStarted_)
        return;
    checkStarted_ = true;
    LaunchResult = UpdateCheck();
    accept();
}

bool TFrmSplash::eventFilter(QObject* watched, QEvent* event)
{
    // Nothing may close the window before the check has decided: a start
    // that skipped the check would run without updates.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmSplash::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void TFrmSplash::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !checkStarted_)
        Timer1->start();
}

void TFrmSplash::Repaint()
{
    if (isVisible())
        repaint();
    // Repaint only: keys and clicks wait until the check is over.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TFrmSplash::SetMessage(const QString& text)
{
    LblMsg->setText(text);
    Repaint();
}

void TFrmSplash::ErrorBox(const QString& text, const QString& caption)
{
    AskMessage({ text, caption, MessageIcon::Error, MessageButtons::Ok });
}

bool TFrmSplash::ConnectionTest()
{
    const ServiceEndpoint ep = ServiceHost();
    SetMessage(QStringLiteral("업데이트 서버와 연결중 입니다") + QStringLiteral("."));
    if (TcpReachable(ep.host, ep.port, kConnectTimeoutMs))
        return true;
    ErrorBox(QStringLiteral("업데이트 서버와 연결할수 없습니다."), QStringLiteral("접속 실패"));
    return false;
}

void TFrmSplash::GaugeProgress(std::uint32_t maximum, std::uint32_t position)
{
    // The bar counts in int; halve large transfers until they fit.
    while (maximum > static_cast<std::uint32_t>(std::numeric_limits<int>::max())
        || position > static_cast<std::uint32_t>(std::numeric_limits<int>::max())) {
        maximum >>= 1;
        position >>= 1;
    }
    Gauge1->setVisible(true);
    Gauge1->setMaximum(static_cast<int>(maximum));
    Gauge1->setValue(static_cast<int>(std::min(position, maximum == 0 ? position : maximum)));
    Repaint();
}

bool TFrmSplash::Fetch(const QString& url, const QString& target, bool withProgress)
{
    TUrlDownload download;
    download.Url = url;
    download.OnStart = [](TUrlDownload*, const QString&) {};
    download.OnStop = [](TUrlDownload*) {};
    if (withProgress) {
        download.OnProgress = [this](TUrlDownload*, std::uint32_t max, std::uint32_t pos, std::uint32_t, const QString&,
                                  bool&) { GaugeProgress(max, pos); };
    }
    FetchedUrls << url;
    return download.Download(target);
}

ParsedSection TFrmSplash::Parse(const QString& section)
{
    ParsedSection parsed = ParseFileSection(section);
    RefusedNames << parsed.refused;
    return parsed;
}

bool TFrmSplash::FetchFiles(const std::vector<UpdateEntry>& entries, const QString& folder, const QString& baseUrl)
{
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        return false;
    const QStringList names = NamesToFetch(entries, folder, &FileChecksum);
    bool ok = true;
    for (int i = 0; i < names.size(); ++i) {
        SetMessage(QString::asprintf("파일 다운로드중 입니다. ( %d / %d )", i + 1, int(names.size())));
        const QString url = baseUrl + QString::fromLatin1(QUrl::toPercentEncoding(names[i]));
        if (!Fetch(url, folder + names[i], true)) {
            ok = false;
            break;
        }
    }
    Gauge1->hide();
    return ok;
}

QString TFrmSplash::ReadListFile(const QString& path) const
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

int TFrmSplash::UpdateCheck()
{
    const QString listFile = WorkDir + QLatin1String(kListFileName);
    if (!ConnectionTest())
        return -1;
    SetMessage(QStringLiteral("업데이트 정보를 확인중 입니다.."));
    if (!Fetch(ListUrl(), listFile, false)) {
        ErrorBox(QStringLiteral("업데이트 정보 확인 오류 입니다."), QStringLiteral("ERROR"));
        return -1;
    }
    const UpdateList list = ReadUpdateList(ReadListFile(listFile));

    const ParsedSection images = Parse(list.image);
    if (!FetchFiles(images.entries, PictureFolder(), PictureBaseUrl())) {
        ErrorBox(QStringLiteral("파일 다운로드 오류 입니다.") + QStringLiteral("[ 4 ] "), QStringLiteral("ERROR"));
        return -1;
    }

    const ParsedSection modules = Parse(list.module);
    const qsizetype changed = NamesToFetch(modules.entries, ProgramDir, &FileChecksum).size();
    // The copy in WorkDir is what gets relaunched; without it a relaunch
    // would silently start nothing.
    if (changed > 0 && !CopyProgramFiles(ProgramDir, WorkDir)) {
        ErrorBox(QStringLiteral("파일 다운로드 오류 입니다.") + QStringLiteral("[ 5 ] "), QStringLiteral("ERROR"));
        return -1;
    }
    // Modules are fetched from the picture folder at this step; the
    // replacement step takes them from DATA/.
    if (!FetchFiles(modules.entries, ProgramDir, PictureBaseUrl())) {
        // Ending here, as after the picture error: a partly refreshed
        // installation must not run or hand over.
        ErrorBox(QStringLiteral("파일 다운로드 오류 입니다.") + QStringLiteral("[ 5 ] "), QStringLiteral("ERROR"));
        return -1;
    }
    int result = changed != 0 ? 1 : 0;

    if (!VersionMatches(list.version, ProgramChecksum)) {
        // The program folder rather than the current directory: started from
        // another folder, the copy would miss the program and the relaunch
        // would start nothing.
        if (!CopyProgramFiles(ProgramDir, WorkDir)) {
            ErrorBox(QStringLiteral("파일 다운로드 오류 입니다.") + QStringLiteral("[ 5 ] "), QStringLiteral("ERROR"));
            return -1;
        }
        result = 1;
    }
    return result;
}

int TFrmSplash::ReplaceProgram()
{
    const QString listFile = WorkDir + QLatin1String(kListFileName);
    if (!ConnectionTest())
        return -1;
    SetMessage(QStringLiteral("업데이트 정보를 확인중 입니다.."));
    const UpdateList list = ReadUpdateList(ReadListFile(listFile));

    if (!VersionMatches(list.version, ProgramChecksum)) {
        SetMessage(QString::asprintf("파일 다운로드중 입니다. ( %d / %d )", 1, 1));
        const QString program = InstallDir + ProgramFileName;
        const QString fresh = InstallDir + QStringLiteral("NEW_") + ProgramFileName;
        if (!Fetch(DataBaseUrl() + QString::fromLatin1(QUrl::toPercentEncoding(ProgramFileName)), fresh, true)) {
            Gauge1->hide();
            ErrorBox(QStringLiteral("파일 다운로드 오류 입니다.") + QStringLiteral("[ 1 ] "), QStringLiteral("ERROR"));
            return -1;
        }
        Gauge1->hide();
        const QString got = ChecksumText(FileChecksum(fresh));
        if (!VersionMatches(list.version, got)) {
            AskMessage({ QStringLiteral("파일 다운로드 오류 입니다.") + QStringLiteral("[ 2 ] "),
                QStringLiteral("WARNING[ ") + list.version + QStringLiteral(" ] ") + QStringLiteral("[ ") + got
                    + QStringLiteral(" ] "),
                MessageIcon::Warning, MessageButtons::Ok });
            return -1;
        }
        // The new program runs with the mode of the one it replaces, and
        // at least its owner may run it.
        QFileDevice::Permissions mode = QFileInfo::exists(program)
            ? QFile::permissions(program)
            : QFileDevice::Permissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                | QFileDevice::ReadOther | QFileDevice::ExeGroup | QFileDevice::ExeOther);
        mode |= QFileDevice::ExeOwner | QFileDevice::ExeUser;
        QFile::setPermissions(fresh, mode);
        // rename(2) swaps the name over in one step: the program file is
        // either the old one or the whole new one. When it fails both stay
        // and the next start removes the "NEW_" file.
        std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(program).constData());
    }

    const ParsedSection modules = Parse(list.module);
    if (!FetchFiles(modules.entries, InstallDir, DataBaseUrl())) {
        ErrorBox(QStringLiteral("파일 다운로드 오류 입니다.") + QStringLiteral("[ 3 ] "), QStringLiteral("ERROR"));
        return -1;
    }
    UpdateMessage = QStringLiteral(" ") + list.message;
    return 2;
}

} // namespace order
