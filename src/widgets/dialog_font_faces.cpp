#include "widgets/dialog_font_faces.h"

#include <QFont>
#include <QStringList>
#include <mutex>

namespace velkor {

void RegisterDialogFontFaces()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        // Serif Ming faces first for the Ming names, sans faces first for the Hei name; each list
        // ends with the other kind so that some CJK face is always found.
        const QStringList ming { "AR PL UMing TW", "Noto Serif CJK TC", "Noto Sans CJK TC",
            "WenQuanYi Zen Hei" };
        const QStringList hei { "Noto Sans CJK TC", "WenQuanYi Zen Hei", "AR PL UMing TW",
            "Noto Serif CJK TC" };
        const QStringList verdana { "DejaVu Sans", "Bitstream Vera Sans", "Liberation Sans" };
        for (const QString& face : { QStringLiteral("新細明體"), QStringLiteral("細明體"),
                 QStringLiteral("PMingLiU"), QStringLiteral("MingLiU") }) {
            QFont::insertSubstitutions(face, ming);
        }
        for (const QString& face :
            { QStringLiteral("微軟正黑體"), QStringLiteral("Microsoft JhengHei") }) {
            QFont::insertSubstitutions(face, hei);
        }
        QFont::insertSubstitutions(QStringLiteral("Verdana"), verdana);
    });
}

} // namespace velkor
