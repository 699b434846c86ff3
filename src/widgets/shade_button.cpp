#include "widgets/shade_button.h"

#include <QEnterEvent>
#include <QIcon>
#include <QPainter>
#include <QResizeEvent>

#include "crypto/data_process.h"
#include "edge_drawing.h"
#include "logical_font.h"
#include "widgets/system_colors.h"

namespace velkor {

namespace {

constexpr size_t kMaxProtectedCaptionChars = (CxShadeButton::kMaxProtectedCaptionBytes + 2) / 3 * 4;

} // namespace

CxShadeButton::CxShadeButton(QWidget* parent, ShadeButtonKind kind, uint32_t style)
    : QAbstractButton(parent)
    , kind_(kind)
    , random_(SystemShadeRandom())
    , textColor_(SystemColors::FromApplication().buttonText)
{
    textAlignment_ = (style & kButtonLeft)
        ? Qt::AlignLeft
        : ((style & kButtonRight) ? Qt::AlignRight : Qt::AlignHCenter);
    flat_ = (style & kButtonFlat) != 0;
    pushLike_ = kind == ShadeButtonKind::kPush || (style & kButtonPushLike) != 0;
    if (kind != ShadeButtonKind::kPush) {
        setCheckable(true);
        setAutoExclusive(kind == ShadeButtonKind::kRadio);
        if (!pushLike_) {
            border_ = false; // check boxes and radio buttons drawn as such have no edge
        }
    }
    setAttribute(Qt::WA_Hover);
}

CxShadeButton::~CxShadeButton()
{
    captionKey_ = 0;
}

void CxShadeButton::SetShade(int kind, uint8_t granularity, uint8_t highlight, uint8_t colouring,
    QColor colour, uint8_t darkenBlue, uint8_t darkenGreen, uint8_t darkenRed)
{
    shade_ = ShadeParameters { kind, granularity, highlight, colouring, colour, darkenBlue,
        darkenGreen, darkenRed };
    RebuildShade();
}

void CxShadeButton::RebuildShade()
{
    if (shade_) {
        images_ = BuildShadeImages(
            size(), focusWidth_, *shade_, SystemColors::FromApplication(), random_);
        update();
    }
}

void CxShadeButton::SetFont(const Text& face, int height, int weight, bool italic, bool underline)
{
    FontDescription description;
    description.face = face;
    description.height = height;
    description.weight = weight;
    description.italic = italic;
    description.underline = underline;
    font_ = MakeLogicalFont(description, font());
    update();
}

QColor CxShadeButton::SetTextColor(QColor colour)
{
    const QColor previous = textColor_;
    textColor_ = colour;
    update();
    return previous;
}

void CxShadeButton::SetCaption(const Text& text, bool captionProtected)
{
    captionProtected_ = captionProtected;
    if (!text.empty()) {
        setText(QString::fromStdU16String(text));
    }
    repaint();
}

void CxShadeButton::SetCaptionKey(int32_t keyPosition, bool captionProtected)
{
    captionKey_ = keyPosition;
    captionProtected_ = captionProtected;
}

void CxShadeButton::SetIcon(const QPixmap& icon, const QPixmap& hoverIcon, IconAlignment alignment)
{
    icon_ = icon;
    hoverIcon_ = hoverIcon;
    iconAlignment_ = alignment;
    update();
}

void CxShadeButton::SetDefault(bool isDefault)
{
    default_ = isDefault;
    update();
}

void CxShadeButton::SetBorder(bool border)
{
    border_ = border;
    update();
}

void CxShadeButton::SetFocusWidth(int width)
{
    focusWidth_ = width;
    RebuildShade();
}

void CxShadeButton::SetShadeRandom(ShadeRandom random)
{
    random_ = std::move(random);
}

Text CxShadeButton::DrawnCaption() const
{
    const Text windowText = text().toStdU16String();
    if (!captionProtected_) {
        return windowText;
    }
    Text plain;
    if (windowText.size() > kMaxProtectedCaptionChars
        || !CDataProcess::RevealForDisplay(windowText, captionKey_, plain)) {
        WipeString(plain);
    }
    return plain;
}

void CxShadeButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const SystemColors colors = SystemColors::FromApplication();
    const QRect button = rect();
    Text caption = DrawnCaption();
    WipeOnExit wipeCaption(caption);

    painter.setFont(font_.value_or(font()));
    QRect textRect = button.adjusted(focusWidth_ + 2, 0, -(focusWidth_ + 2), 0);
    const bool hovering = hover_ && !hoverIcon_.isNull();
    const QPixmap& icon = hovering ? hoverIcon_ : icon_;
    QRect iconRect;
    if (!icon.isNull()) {
        const QSize iconSize = icon.deviceIndependentSize().toSize();
        int x = button.center().x() - iconSize.width() / 2;
        if (iconAlignment_ == IconAlignment::kLeft) {
            x = textRect.left();
            textRect.setLeft(textRect.left() + iconSize.width());
        } else if (iconAlignment_ == IconAlignment::kRight) {
            x = textRect.right() - iconSize.width() + 1;
            textRect.setRight(textRect.right() - iconSize.width());
        }
        iconRect = QRect(QPoint(x, button.center().y() - iconSize.height() / 2), iconSize);
    }
    const auto face = [&](const QImage& image, QPoint at) {
        if (image.isNull()) {
            painter.fillRect(button, colors.face);
        } else {
            painter.drawImage(at, image);
        }
    };
    const int flags = textAlignment_ | Qt::AlignVCenter | Qt::TextSingleLine;
    QString shown = QString::fromStdU16String(caption);

    if (!isEnabled()) {
        face(images_.disabled, QPoint(0, 0));
        if (!icon.isNull()) {
            painter.drawPixmap(
                iconRect.topLeft(), QIcon(icon).pixmap(icon.size(), QIcon::Disabled));
        }
        if (border_ && !flat_) {
            DrawRaisedEdge(painter, button, colors);
        }
        painter.setPen(colors.highlight);
        painter.drawText(textRect.translated(1, 1), flags, shown);
        painter.setPen(colors.grayText);
        painter.drawText(textRect, flags, shown);
    } else {
        QPoint shift(0, 0);
        if (!isDown() && !isChecked()) {
            face(hover_ && !images_.over.isNull() ? images_.over : images_.normal, QPoint(0, 0));
            if (border_ && (!flat_ || hover_)) {
                if (default_) {
                    DrawRaisedEdge(painter, DrawSunkenEdge(painter, button, colors), colors);
                } else if (!flat_) {
                    DrawRaisedEdge(painter, button, colors);
                } else {
                    DrawFrame(painter, button, colors.highlight, colors.shadow);
                }
            }
        } else {
            painter.fillRect(button, colors.face);
            face(images_.down, border_ ? QPoint(1, 1) : QPoint(0, 0));
            if (pushLike_) {
                shift = QPoint(1, 1);
            }
            if (border_) {
                if (!flat_) {
                    DrawSunkenEdge(painter, button, colors);
                } else {
                    DrawFrame(painter, button, colors.shadow, colors.highlight);
                }
            }
        }
        if (!icon.isNull()) {
            painter.drawPixmap(iconRect.topLeft() + shift, icon);
        }
        if (hasFocus() && focusWidth_ >= 1 && !images_.focusHorizontal.isNull()) {
            const QRect mark
                = button.adjusted(focusWidth_, focusWidth_, -focusWidth_, -focusWidth_);
            painter.drawImage(mark.topLeft(), images_.focusHorizontal);
            painter.drawImage(QPoint(mark.left(), mark.bottom()), images_.focusHorizontal);
            painter.drawImage(mark.topLeft(), images_.focusVertical);
            painter.drawImage(QPoint(mark.right(), mark.top()), images_.focusVertical);
        }
        painter.setPen(textColor_);
        painter.drawText(textRect.translated(shift), flags, shown);
    }
    Wipe(shown.data(), static_cast<size_t>(shown.size()) * sizeof(QChar));
}

void CxShadeButton::enterEvent(QEnterEvent* event)
{
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CxShadeButton::leaveEvent(QEvent* event)
{
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CxShadeButton::resizeEvent(QResizeEvent* event)
{
    QAbstractButton::resizeEvent(event);
    RebuildShade();
}

} // namespace velkor
