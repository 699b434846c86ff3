#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <cstdint>
#include <optional>

#include "common/text.h"
#include "widgets/shade_images.h"

// The shaded push button of the on-screen keypads. Its face is a generated palette image with
// noise; its caption may be protected text, deciphered only while the button paints itself, so the
// button's text (what other programs read) never holds the key's character.
namespace velkor {

enum class ShadeButtonKind { kPush = 0, kCheckBox = 2, kRadio = 4 };

// Button style bits, as the dialog templates give them.
inline constexpr uint32_t kButtonLeft = 0x100;
inline constexpr uint32_t kButtonRight = 0x200;
inline constexpr uint32_t kButtonPushLike = 0x1000;
inline constexpr uint32_t kButtonFlat = 0x8000;

enum class IconAlignment { kLeft, kCentre, kRight };

class CxShadeButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int kDefaultFocusWidth = 4;
    // Largest protected caption deciphered, in bytes.
    static constexpr size_t kMaxProtectedCaptionBytes = 64;

    explicit CxShadeButton(QWidget* parent = nullptr, ShadeButtonKind kind = ShadeButtonKind::kPush,
        uint32_t style = 0);
    ~CxShadeButton() override;

    // Builds the four faces and the focus lines for the button's current size (kept across
    // resizes). `kind` is a ShadeKind number.
    void SetShade(int kind, uint8_t granularity, uint8_t highlight, uint8_t colouring,
        QColor colour, uint8_t darkenBlue = 0, uint8_t darkenGreen = 0, uint8_t darkenRed = 0);
    // `height` in logical units: negative the character height, positive the cell height.
    void SetFont(
        const Text& face, int height, int weight, bool italic = false, bool underline = false);
    // Returns the previous caption colour.
    QColor SetTextColor(QColor colour);
    // Stores the flag; sets the button's text when `text` is not empty; redraws at once.
    void SetCaption(const Text& text, bool captionProtected);
    void SetCaptionKey(int32_t keyPosition, bool captionProtected);

    void SetIcon(const QPixmap& icon, const QPixmap& hoverIcon = {},
        IconAlignment alignment = IconAlignment::kCentre);
    void SetDefault(bool isDefault);
    void SetBorder(bool border);
    void SetFocusWidth(int width);
    // The noise source of the faces; the system generator unless a caller gives another.
    void SetShadeRandom(ShadeRandom random);

    ShadeButtonKind Kind() const { return kind_; }
    bool CaptionProtected() const { return captionProtected_; }
    int32_t CaptionKey() const { return captionKey_; }
    bool Hovering() const { return hover_; }
    bool HasBorder() const { return border_; }
    const ShadeImages& Images() const { return images_; }
    QColor TextColor() const { return textColor_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void RebuildShade();
    // The caption as drawn: the button's text, deciphered when protected. The caller wipes it.
    Text DrawnCaption() const;

    ShadeButtonKind kind_;
    std::optional<ShadeParameters> shade_;
    ShadeRandom random_;
    ShadeImages images_;
    std::optional<QFont> font_;
    QColor textColor_;
    int focusWidth_ = kDefaultFocusWidth;
    bool border_ = true;
    bool flat_ = false;
    bool pushLike_ = true;
    bool default_ = false;
    int textAlignment_ = Qt::AlignHCenter;
    QPixmap icon_;
    QPixmap hoverIcon_;
    IconAlignment iconAlignment_ = IconAlignment::kCentre;
    bool hover_ = false;
    bool captionProtected_ = false;
    int32_t captionKey_ = 0;
};

} // namespace velkor
