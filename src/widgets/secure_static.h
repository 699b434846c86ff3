#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>
#include <cstdint>

#include "common/text.h"
#include "crypto/data_process.h"

// The static text in which the secure dialogs show what the customer typed on the keypad. In the
// protected modes its window text is the enciphered, base64-encoded form of the characters; it is
// deciphered only while painting, each character drawn in a cell of its own with a thin, optionally
// tilted font, and the plain copy is wiped before the paint returns.
namespace velkor {

class CSecureStatic : public QWidget {
    Q_OBJECT
public:
    // Drawing modes (the second argument of SetText).
    static constexpr int32_t kModeCells = 0; // protected; upright cells
    static constexpr int32_t kModeTiltedTogether = 1; // protected; one random tilt per paint
    static constexpr int32_t kModeHidden = 2; // nothing is drawn
    static constexpr int32_t kModePlainCells = 3; // plain; cells in the control's font
    static constexpr int32_t kModeTiltedEach = 4; // protected; a random tilt per character
    static constexpr int32_t kModePlainNarrowCells = 5; // plain; 31 cells per line
    static constexpr int32_t kModePlainWhole = 6; // plain; the text at once, aligned
    static constexpr int32_t kModeWhole = 7; // protected; the text at once, aligned

    static constexpr int kDefaultCellsPerLine = 24;
    // Largest protected text deciphered, in bytes: the enciphered form (one block of padding
    // added) of the longest text ProtectForDisplay takes, so that whatever a dialog protects for
    // a display is drawn. A lower limit would leave texts of 77 to 156 characters, such as an
    // 80-character preset shown whole, blank without any sign.
    static constexpr size_t kMaxProtectedBytes
        = (static_cast<size_t>(CDataProcess::kDisplayTextMaxBytes) / 8 + 1) * 8;

    explicit CSecureStatic(QWidget* parent = nullptr);
    ~CSecureStatic() override;

    void SetText(const Text& text, int32_t mode);
    void SetProtection(int32_t keyPosition, int cellsPerLine);
    void SetBkColor(QColor colour, bool redraw = true);
    void SetTextColor(QColor colour, bool redraw = true);
    // An empty face keeps the current family; `points` on this display's vertical resolution.
    void SetFont(const Text& face, int points, bool redraw = true);
    // Style bits of static_style.h (centre, right, centre image).
    void SetStyleBits(uint32_t style);

    // What another program reads as the control's text: protected text in modes 0, 1, 4 and 7.
    const Text& WindowText() const { return windowText_; }
    int32_t Mode() const { return mode_; }
    QColor BkColor() const { return background_; }
    QColor TextColor() const { return textColor_; }
    const QFont& OwnFont() const { return font_; }

    static const Text& TooltipText();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawCells(QPainter& painter, const Text& text);

    Text windowText_;
    int32_t protected_ = 0;
    int32_t keyPosition_ = 0;
    int32_t mode_ = 0;
    QFont font_;
    QColor textColor_;
    QColor background_;
    bool bold_ = false;
    int cellsPerLine_ = kDefaultCellsPerLine;
    uint32_t style_ = 0;
};

} // namespace velkor
