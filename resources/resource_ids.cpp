#include "resource_ids.h"

#include <QtGlobal>

static void InitVelkorGifs()
{
    Q_INIT_RESOURCE(velkor_gifs);
}

namespace velkor {

QString ResourcePath(int id, const QString& type)
{
    return QStringLiteral(":/") + type + QStringLiteral("/") + QString::number(id);
}

void RegisterResources()
{
    static const bool registered = [] {
        InitVelkorGifs();
        return true;
    }();
    (void)registered;
}

} // namespace velkor
