#pragma once

// TFrmSplash: the start-up window that brings the installation up to date
// with what the service host publishes under /update/.
//
// Start without arguments: shown modally, the update check runs from Timer1
// and leaves -1 (error shown, end), 0 (nothing to do) or 1 (relaunch the
// copy in WorkDir) in LaunchResult. Temporary copy (/TMPFILE): shown without
// waiting; start-up calls ReplaceProgram, which gives 2 (relaunch the
// installed program) or -1.

#include "UpdateList.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <cstdint>

class QLabel;
class QProgressBar;
class QTimer;

namespace order {

class TUrlDownload;

class TFrmSplash : public QDialog {
    Q_OBJECT
public:
    explicit TFrmSplash(QWidget* parent = nullptr);
    ~TFrmSplash() override;

    QLabel* ImgSP = nullptr;
    QLabel* LblMsg = nullptr;
    QProgressBar* Gauge1 = nullptr;
    QTimer* Timer1 = nullptr;

    // Shows the window modally; the check runs when Timer1 fires and stores
    // its result in LaunchResult. LaunchResult is untouched when the window
    // closes without a decision.
    void ExecuteCheck();

    // The update check (steps run by Timer1Timer); returns -1, 0 or 1.
    int UpdateCheck();
    // The temporary copy's replacement step; returns 2 or -1.
    int ReplaceProgram();

    void Timer1Timer();

    // Every URL fetched since the window was created, in order.
    QStringList FetchedUrls;
    // Names in the update list that were refused as not plain file names.
    QStringList RefusedNames;

    // Pictures live in this folder below the program folder (not below the
    // current directory: a start from another folder must not scatter them).
    static QString PictureFolder();
    static QString ListUrl();
    static QString PictureBaseUrl();
    static QString DataBaseUrl();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void SetMessage(const QString& text);
    void Repaint();
    bool ConnectionTest();
    bool Fetch(const QString& url, const QString& target, bool withProgress);
    bool FetchFiles(const std::vector<UpdateEntry>& entries, const QString& folder, const QString& baseUrl);
    void GaugeProgress(std::uint32_t maximum, std::uint32_t position);
    void ErrorBox(const QString& text, const QString& caption);
    QString ReadListFile(const QString& path) const;
    ParsedSection Parse(const QString& section);

    bool checkOnTimer_ = false;
    bool checkStarted_ = false;
};

extern TFrmSplash* FrmSplash;

// The splash artwork, drawn rather than shipped.
QPixmap SplashArtwork(const QSize& size);

} // namespace order
