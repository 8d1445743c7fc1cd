#include "PrintTarget.h"

#include "Folders.h"
#include "Messages.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>
#include <map>

namespace order {

// ---------------------------------------------------------------------------
// RecordingPrintTarget

bool RecordingPrintTarget::BeginJob(const QString& title)
{
    PrintCall c;
    c.kind = PrintCall::Begin;
    c.text = title;
    calls.push_back(c);
    return true;
}

void RecordingPrintTarget::Text(int x, int y, int height, const QString& text, bool rightAligned)
{
    calls.push_back({ .kind = PrintCall::Text, .text = text, .x = x, .y = y, .x2 = 0, .y2 = 0, .height = height,
        .rightAligned = rightAligned });
}

void RecordingPrintTarget::Line(int x1, int y1, int x2, int y2)
{
    calls.push_back({ .kind = PrintCall::Line, .text = {}, .x = x1, .y = y1, .x2 = x2, .y2 = y2, .height = 0,
        .rightAligned = false });
}

void RecordingPrintTarget::EndJob()
{
    PrintCall c;
    c.kind = PrintCall::End;
    calls.push_back(c);
}

std::vector<std::vector<PrintCall>> RecordingPrintTarget::Jobs() const
{
    std::vector<std::vector<PrintCall>> jobs;
    bool open = false;
    for (const PrintCall& c : calls) {
        if (c.kind == PrintCall::Begin) {
            jobs.emplace_back();
            open = true;
        } else if (c.kind == PrintCall::End) {
            open = false;
        } else if (open) {
            jobs.back().push_back(c);
        }
    }
    return jobs;
}

// ---------------------------------------------------------------------------
// PrinterTarget

namespace {

    // The sheets are printed in NanumBarunGothic where it is installed (it
    // comes with fonts-nanum). NanumGothic, which stands in for 굴림 on the
    // screen, draws U+0000 to U+0020 with one glyph, and Qt's PDF writer then
    // records every blank of the text layer as U+0001, so a printed sheet
    // could not be searched or copied from.
    QFont PrintFont()
    {
        const QString barun = QStringLiteral("NanumBarunGothic");
        QFont font(QFontDatabase::hasFamily(barun) ? barun : QString::fromUtf8("굴림"));
        return font;
    }

} // namespace

struct PrinterTarget::Job {
    QPrinter printer { QPrinter::HighResolution };
    QPainter painter;
    double scaleX = 1; // device pixels per 0.1 mm
    double scaleY = 1;
    QPen textPen;
    QPen rulePen;
    std::map<int, QFont> fonts; // by cell height in 0.1 mm

    const QFont& FontFor(int height)
    {
        auto it = fonts.find(height);
        if (it != fonts.end())
            return it->second;
        // The height is the whole character cell (ascent and descent), as a
        // printer font is asked for by cell height; Qt sizes by em, so the
        // em is scaled until the cell fits.
        const double cell = height * scaleY;
        QFont font = PrintFont();
        font.setPixelSize(std::max(1, int(std::lround(cell))));
        const double measured = QFontMetricsF(font, &printer).height();
        if (measured > 0)
            font.setPixelSize(std::max(1, int(std::lround(cell * cell / measured))));
        return fonts.emplace(height, font).first->second;
    }
};

PrinterTarget::PrinterTarget(QString pdfFolder, bool pdfOnly)
    : pdfFolder_(std::move(pdfFolder))
    , toPdf_(pdfOnly || !HasPrinter())
{
}

PrinterTarget::~PrinterTarget()
{
    if (job_)
        EndJob();
}

bool PrinterTarget::HasPrinter()
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

QString PrinterTarget::NextPdfName(const QString& title) const
{
    QString base = title.trimmed();
    for (QChar& c : base)
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>| ").contains(c))
            c = QLatin1Char('_');
    if (base.isEmpty())
        base = QStringLiteral("print");
    QString folder = pdfFolder_.isEmpty() ? QDir::homePath() : pdfFolder_;
    folder = WithSlash(folder);
    QDir().mkpath(folder);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss"));
    const QString stem
        = folder + base + QLatin1Char('_') + stamp + QLatin1Char('_') + QString::number(pdfFiles_.size() + 1);
    QString name = stem + QStringLiteral(".pdf");
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".pdf");
    return name;
}

bool PrinterTarget::BeginJob(const QString& title)
{
    if (job_)
        EndJob();
    job_ = std::make_unique<Job>();
    QPrinter& printer = job_->printer;
    printer.setDocName(title);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(false);
    QString file;
    if (toPdf_) {
        file = NextPdfName(title);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        // About what a printer cannot reach at the paper's edge.
        printer.setPageMargins(QMarginsF(4, 4, 4, 4), QPageLayout::Millimeter);
    }
    if (!job_->painter.begin(&printer)) {
        job_.reset();
        return false;
    }
    if (toPdf_)
        pdfFiles_ << file;
    job_->scaleX = printer.logicalDpiX() / 254.0;
    job_->scaleY = printer.logicalDpiY() / 254.0;
    job_->textPen = QPen(Qt::black);
    job_->rulePen = QPen(Qt::black, std::max(1.0, job_->scaleX), Qt::DotLine);
    job_->painter.setBrush(Qt::NoBrush);
    job_->painter.setBackgroundMode(Qt::TransparentMode);
    return true;
}

void PrinterTarget::Text(int x, int y, int height, const QString& text, bool rightAligned)
{
    if (!job_ || text.isEmpty())
        return;
    QPainter& p = job_->painter;
    const QFont& font = job_->FontFor(height);
    p.setFont(font);
    p.setPen(job_->textPen);
    const QFontMetricsF metrics(font, &job_->printer);
    double left = x * job_->scaleX;
    if (rightAligned)
        left -= metrics.horizontalAdvance(text);
    p.drawText(QPointF(left, -y * job_->scaleY + metrics.ascent()), text);
}

void PrinterTarget::Line(int x1, int y1, int x2, int y2)
{
    if (!job_)
        return;
    QPainter& p = job_->painter;
    p.setPen(job_->rulePen);
    p.drawLine(QPointF(x1 * job_->scaleX, -y1 * job_->scaleY), QPointF(x2 * job_->scaleX, -y2 * job_->scaleY));
}

void PrinterTarget::EndJob()
{
    if (!job_)
        return;
    job_->painter.end();
    job_.reset();
}

void PrinterTarget::Finish()
{
    if (job_)
        EndJob();
    if (toPdf_ && !pdfFiles_.isEmpty())
        ShowMessage(PdfFilesMessage(pdfFiles_));
}

QString PdfFilesMessage(const QStringList& files)
{
    return QStringLiteral("연결된 프린터가 없어 인쇄 내용을 PDF 파일로 저장했습니다.\r\r")
        + files.join(QLatin1Char('\r'));
}

// ---------------------------------------------------------------------------

namespace {
    std::function<std::unique_ptr<PrintTarget>(const QString&)>& Maker()
    {
        static std::function<std::unique_ptr<PrintTarget>(const QString&)> maker;
        return maker;
    }
} // namespace

std::unique_ptr<PrintTarget> MakePrintTarget(const QString& pdfFolder)
{
    if (Maker())
        return Maker()(pdfFolder);
    return std::make_unique<PrinterTarget>(pdfFolder);
}

void SetPrintTargetMaker(std::function<std::unique_ptr<PrintTarget>(const QString& pdfFolder)> maker)
{
    Maker() = std::move(maker);
}

} // namespace order
