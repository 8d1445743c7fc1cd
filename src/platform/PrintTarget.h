#pragma once

// Printing works in 0.1 mm units with y growing upwards from the top-left
// corner of the printable area (so every y on a page is negative), as the
// order sheet and the product list are laid out. The program prints through
// PrinterTarget; tests record the drawing calls with RecordingPrintTarget.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace order {

class PrintTarget {
public:
    virtual ~PrintTarget() = default;
    // One print job; every job is one sheet of paper.
    virtual bool BeginJob(const QString& title) = 0;
    // `height` is the character cell height; (x, y) is the cell's top-left
    // corner, or its top-right corner when rightAligned.
    virtual void Text(int x, int y, int height, const QString& text, bool rightAligned) = 0;
    // A dotted rule one unit wide.
    virtual void Line(int x1, int y1, int x2, int y2) = 0;
    virtual void EndJob() = 0;
    // After the last job of a document: tells the user where it went when it
    // did not go to a printer.
    virtual void Finish() { }
};

// What a test sees of a printout: the calls in order.
struct PrintCall {
    enum Kind { Begin, Text, Line, End };
    Kind kind = Begin;
    QString text; // Begin: the job title; Text: the text
    int x = 0;
    int y = 0;
    int x2 = 0;
    int y2 = 0;
    int height = 0;
    bool rightAligned = false;
};

class RecordingPrintTarget : public PrintTarget {
public:
    bool BeginJob(const QString& title) override;
    void Text(int x, int y, int height, const QString& text, bool rightAligned) override;
    void Line(int x1, int y1, int x2, int y2) override;
    void EndJob() override;
    void Finish() override { ++finished; }

    // The calls of each job, Begin and End left out.
    std::vector<std::vector<PrintCall>> Jobs() const;

    std::vector<PrintCall> calls;
    int finished = 0;
};

// The default printer without a dialog. When the machine has no printer (or
// pdfOnly is set) every job becomes a PDF file in pdfFolder instead, and
// Finish names the files in one message.
class PrinterTarget : public PrintTarget {
public:
    explicit PrinterTarget(QString pdfFolder, bool pdfOnly = false);
    ~PrinterTarget() override;

    bool BeginJob(const QString& title) override;
    void Text(int x, int y, int height, const QString& text, bool rightAligned) override;
    void Line(int x1, int y1, int x2, int y2) override;
    void EndJob() override;
    void Finish() override;

    bool ToPdf() const { return toPdf_; }
    const QStringList& PdfFiles() const { return pdfFiles_; }

    // True when the system knows at least one printer.
    static bool HasPrinter();

private:
    struct Job;
    QString NextPdfName(const QString& title) const;

    QString pdfFolder_;
    bool toPdf_;
    QStringList pdfFiles_;
    std::unique_ptr<Job> job_;
};

// The target the windows print to: a PrinterTarget unless a test installed
// its own maker. pdfFolder is where PDF files go without a printer.
std::unique_ptr<PrintTarget> MakePrintTarget(const QString& pdfFolder);
void SetPrintTargetMaker(std::function<std::unique_ptr<PrintTarget>(const QString& pdfFolder)> maker);

// The message that names the PDF files written instead of printing.
QString PdfFilesMessage(const QStringList& files);

} // namespace order
