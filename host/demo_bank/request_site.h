#pragma once

#include <cstdint>
#include <string>

#include <QByteArray>
#include <QList>
#include <QPair>

// Who may talk to the demo bank. Every request must name the bank itself as its Host (one Host
// header, 127.0.0.1 or localhost with the bank's port): a foreign name means a rebound DNS name or
// a confused proxy. The JSON endpoints also refuse a request a browser sent from another site
// (an Origin other than the bank's own, or Sec-Fetch-Site other than same-origin), so a page
// elsewhere cannot open or drive a customer's session.
namespace velkor::host {

using HttpHeaders = QList<QPair<QByteArray, QByteArray>>;

enum class SiteCheck {
    Allowed,
    ForeignHost, // answered 421 Misdirected Request
    CrossSite, // answered 403 Forbidden
};

SiteCheck CheckSite(const HttpHeaders& headers, uint16_t port, bool endpoint);

} // namespace velkor::host
