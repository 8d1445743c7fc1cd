#include "TFrmMessage.h"

#include "Artwork.h"
#include "DataModule.h"
#include "Helpers.h"
#include "StringGrid.h"
#include "TImageButton.h"
#include "WindowStyle.h"

#include <QEvent>
#include <QPainter>

namespace order {

TFrmMessage* FrmMessage = nullptr;

namespace {

    constexpr int kWidth = 413;
    constexpr int kHeight = 415;
    constexpr int kFrame = 5;


} // namespace

QString NoticeCellText(const QString& cell)
{
    return TrimRight(cell);
}

TFrmMessage::TFrmMessage(QWidget* parent)
    : TDialog(parent, Qt::Dialog | Qt::FramelessWindowHint, "FrmMessage")
{
    KeepIn(FrmMessage);
    FillBackground(kSkyBlue);
    // The frame is the only part that is not grid or button: it moves the
    // borderless window.
    DragByFrame();
    setFont(GulimFont(12));
    const int width = DialogWidth(kWidth);
    setFixedSize(width, kHeight);

    SGS = new TStringGrid(this);
    SGS->setObjectName(QStringLiteral("SGS"));
    SGS->setGeometry(kFrame, kFrame, width - 2 * kFrame, kHeight - 2 * kFrame);
    SGS->setFrameShape(QFrame::Box);
    SGS->setFrameShadow(QFrame::Plain);
    SGS->setLineWidth(1);
    SGS->setFont(GulimFont(12));
    QPalette pal = SGS->palette();
    pal.setColor(QPalette::Text, Qt::black);
    SGS->setPalette(pal);
    SGS->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGS->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGS->SetRowSelect(false);
    SGS->SetDefaultRowHeight(19);
    SGS->SetColCount(1);
    SGS->SetRowCount(kNoticeRows);
    SGS->SetColWidth(0, 400);
    SGS->OnDrawCell = [this](int col, int row, QPainter& p, const QRect& rect, bool selected, bool focused) {
        SGSDrawCell(col, row, p, rect, selected, focused);
    };

    ImgBtnEsc = new TImageButton(this);
    ImgBtnEsc->setObjectName(QStringLiteral("ImgBtnEsc"));
    ImgBtnEsc->SetPictureAlign(paBottom);
    ImgBtnEsc->SetPictureCount(4);
    ImgBtnEsc->SetTransparentColor(ArtTransparentColor());
    ImgBtnEsc->SetPicture(CloseButtonStrip());
    ImgBtnEsc->setCursor(Qt::PointingHandCursor);
    // Over the grid's top right corner, inside its border.
    ImgBtnEsc->move(SGS->geometry().right() - SGS->frameWidth() - 41 + 1, SGS->y() + SGS->frameWidth());
    ImgBtnEsc->raise();
    connect(ImgBtnEsc, &TImageButton::Click, this, &TDialog::reject);
}

void TFrmMessage::FormActivate()
{
    for (int r = 0; r < kNoticeRows; ++r)
        SGS->SetCells(0, r, Notices[static_cast<std::size_t>(r)]);
    SGS->SetRow(kNoticeRows - 1);
}


void TFrmMessage::SGSDrawCell(int col, int row, QPainter& p, const QRect& rect, bool, bool)
{
    const QString text = NoticeCellText(SGS->Cells(col, row));
    if (!text.isEmpty())
        p.drawText(rect.adjusted(6, 4, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

bool TFrmMessage::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return TDialog::event(event);
}

void TFrmMessage::showEvent(QShowEvent* event)
{
    // Platforms without window activation (offscreen) still get the rows.
    FormActivate();
    TDialog::showEvent(event);
    SGS->setFocus(Qt::OtherFocusReason);
}

} // namespace order
