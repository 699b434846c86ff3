#include "request_site.h"

namespace velkor::host {

namespace {

// The values of every header called `name`.
QList<QByteArray> ValuesOf(const HttpHeaders& headers, const QByteArray& name)
{
    QList<QByteArray> values;
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            values.push_back(value.trimmed());
        }
    }
    return values;
}

} // namespace

SiteCheck CheckSite(const HttpHeaders& headers, uint16_t port, bool endpoint)
{
    const QList<QByteArray> hosts = ValuesOf(headers, "Host");
    const QByteArray suffix = ":" + QByteArray::number(port);
    if (hosts.size() != 1
        || (hosts[0] != "127.0.0.1" + suffix && hosts[0].toLower() != "localhost" + suffix)) {
        return SiteCheck::ForeignHost;
    }
    if (!endpoint) {
        return SiteCheck::Allowed;
    }
    const QList<QByteArray> origins = ValuesOf(headers, "Origin");
    if (origins.size() > 1
        || (origins.size() == 1 && origins[0].toLower() != "http://" + hosts[0].toLower())) {
        return SiteCheck::CrossSite;
    }
    for (const QByteArray& site : ValuesOf(headers, "Sec-Fetch-Site")) {
        if (site != "same-origin" && site != "none") {
            return SiteCheck::CrossSite;
        }
    }
    return SiteCheck::Allowed;
}

} // namespace velkor::host
