#include "widgets/secure_static.h"

#include <QPaintEvent>
#include <QPainter>

#include "crypto/data_process.h"
#include "logical_font.h"
#include "secure_static_layout.h"
#include "widgets/static_style.h"
#include "widgets/system_colors.h"

namespace velkor {

namespace {

// Base64 characters of the largest protected text the control deciphers.
constexpr size_t kMaxProtectedChars = (CSecureStatic::kMaxProtectedBytes + 2) / 3 * 4;

FontDescription CellFont(int32_t mode)
{
    if (mode == CSecureStatic::kModeCells) {
        return { u"Verdana", 12, 11, 3 };
    }
    return { u"Verdana", 12, 10, 1 };
}

int32_t SignedRandom()
{
    return static_cast<int32_t>(CDataProcess::RandomNumber());
}

} // namespace

CSecureStatic::CSecureStatic(QWidget* parent)
    : QWidget(parent)
    , font_(font())
{
    const SystemColors colors = SystemColors::FromApplication();
    textColor_ = colors.buttonText;
    background_ = colors.face;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(QString::fromStdU16String(TooltipText()));
}

CSecureStatic::~CSecureStatic()
{
    WipeString(windowText_);
}

const Text& CSecureStatic::TooltipText()
{
    static const Text text = u"請將滑鼠移至此欄位或使用滑鼠右鍵點擊欲輸入之欄位 , 以顯示動態鍵盤";
    return text;
}

void CSecureStatic::SetText(const Text& text, int32_t mode)
{
    mode_ = mode;
    WipeString(windowText_); // the previous text may have been plain (the masked modes)
    windowText_ = text;
    repaint();
}

void CSecureStatic::SetProtection(int32_t keyPosition, int cellsPerLine)
{
    protected_ = 1;
    keyPosition_ = keyPosition;
    cellsPerLine_ = cellsPerLine;
}

void CSecureStatic::SetBkColor(QColor colour, bool redraw)
{
    background_ = colour;
    if (redraw) {
        update();
    }
}

void CSecureStatic::SetTextColor(QColor colour, bool redraw)
{
    textColor_ = colour;
    if (redraw) {
        update();
    }
}

void CSecureStatic::SetFont(const Text& face, int points, bool redraw)
{
    font_ = MakePointFont(face, points, bold_, logicalDpiY(), font_);
    if (redraw) {
        update();
    }
}

void CSecureStatic::SetStyleBits(uint32_t style)
{
    style_ = style;
    update();
}

void CSecureStatic::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), background_);
    painter.setPen(textColor_);
    painter.setFont(font_);
    if (windowText_.empty() || mode_ == kModeHidden) {
        return;
    }
    const int flags = StaticTextFlags(style_);
    if (mode_ == kModePlainWhole) {
        painter.drawText(rect(), flags, QString::fromStdU16String(windowText_));
        return;
    }
    const bool isProtected = mode_ == kModeCells || mode_ == kModeTiltedTogether
        || mode_ == kModeTiltedEach || mode_ == kModeWhole;
    if (!isProtected) {
        if (mode_ == kModePlainCells || mode_ == kModePlainNarrowCells) {
            DrawCells(painter, windowText_);
        }
        return;
    }
    Text plain;
    WipeOnExit wipePlain(plain);
    if (windowText_.size() > kMaxProtectedChars
        || !CDataProcess::RevealForDisplay(windowText_, protected_ ? keyPosition_ : 0, plain)) {
        return; // text that does not decipher draws nothing
    }
    if (mode_ == kModeWhole) {
        QString shown = QString::fromStdU16String(plain);
        painter.drawText(rect(), flags, shown);
        Wipe(shown.data(), static_cast<size_t>(shown.size()) * sizeof(QChar));
        return;
    }
    DrawCells(painter, plain);
}

void CSecureStatic::DrawCells(QPainter& painter, const Text& text)
{
    const bool plainFont = mode_ == kModePlainCells || mode_ == kModePlainNarrowCells;
    const QFont cellFont = plainFont ? font_ : MakeLogicalFont(CellFont(mode_), font_);
    painter.setFont(cellFont);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const int paintTilt = mode_ == kModeTiltedTogether ? TiltTenths(SignedRandom()) : 0;
    // One reused buffer for the character being drawn, wiped once the cells are drawn.
    QString shown(1, QChar(0));
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t low = text[i] & 0xFF;
        if (low == 0) {
            continue;
        }
        shown[0] = QChar(low);
        const QRect cell = CharacterCell(static_cast<int>(i), mode_, rect(), cellsPerLine_);
        // A lone character has no baseline to turn, so its own orientation is the whole tilt.
        const int tilt = mode_ == kModeTiltedEach ? TiltTenths(SignedRandom()) : paintTilt;
        if (tilt == 0) {
            painter.drawText(cell, Qt::AlignCenter, shown);
            continue;
        }
        painter.save();
        painter.translate(QRectF(cell).center());
        painter.rotate(-tilt / 10.0); // counter-clockwise
        const QRectF centred(
            -cell.width() / 2.0, -cell.height() / 2.0, cell.width(), cell.height());
        painter.drawText(centred, Qt::AlignCenter, shown);
        painter.restore();
    }
    shown[0] = QChar(0);
}

} // namespace velkor
