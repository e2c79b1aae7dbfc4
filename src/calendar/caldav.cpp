#include "caldav.h"

#include <QNetworkReply>
#include <QXmlStreamReader>

namespace {

constexpr int kTimeout = 15000; // ms a request may take

const QByteArray kListBody =
    QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/></d:prop></d:propfind>\n");

// The last segment of every href of a multistatus answer: the names of the objects.
QStringList namesIn(const QByteArray& answer) {
    QStringList names;
    QXmlStreamReader xml(answer);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.namespaceUri() != u"DAV:" ||
            xml.name() != u"href")
            continue;
        const QString path = QUrl(xml.readElementText()).path();
        if (!path.endsWith(u'/'))
            names << path.section(u'/', -1);
    }
    return names;
}

} // namespace

CalDavCalendar::CalDavCalendar(QObject* parent) : QObject(parent) {
    m_network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

void CalDavCalendar::setAccount(const QUrl& collection, const QString& user, const QString& password) {
    m_collection = collection;
    if (!m_collection.path().endsWith(u'/'))
        m_collection.setPath(m_collection.path() + u'/');
    m_user = user;
    m_password = password;
}

QNetworkRequest CalDavCalendar::request(const QString& name) const {
    QNetworkRequest request(name.isEmpty() ? m_collection : m_collection.resolved(QUrl(name)));
    request.setTransferTimeout(kTimeout);
    if (!m_user.isEmpty())
        request.setRawHeader("Authorization", "Basic " + (m_user + u':' + m_password).toUtf8().toBase64());
    return request;
}

void CalDavCalendar::put(const QString& name, const QByteArray& object, Done done) {
    QNetworkRequest put = request(name);
    put.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/calendar; charset=utf-8"));
    whenDone(m_network.put(put, object),
             [done = std::move(done)](QNetworkReply*, const QString& failure) { done(failure); });
}

void CalDavCalendar::remove(const QString& name, Done done) {
    whenDone(m_network.deleteResource(request(name)), [done = std::move(done)](QNetworkReply* reply,
                                                                               const QString& failure) {
        const bool absent = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 404;
        done(absent ? QString() : failure);
    });
}

void CalDavCalendar::list(std::function<void(const QStringList& names, const QString& failure)> done) {
    QNetworkRequest propfind = request();
    propfind.setRawHeader("Depth", "1");
    propfind.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/xml; charset=utf-8"));
    whenDone(m_network.sendCustomRequest(propfind, "PROPFIND", kListBody),
             [done = std::move(done)](QNetworkReply* reply, const QString& failure) {
                 done(failure.isEmpty() ? namesIn(reply->readAll()) : QStringList(), failure);
             });
}

void CalDavCalendar::whenDone(QNetworkReply* reply,
                              std::function<void(QNetworkReply*, const QString& failure)> done) {
    ++m_pending;
    connect(reply, &QNetworkReply::finished, this, [this, reply, done = std::move(done)] {
        --m_pending;
        reply->deleteLater();
        done(reply, failureOf(reply));
    });
}

QString CalDavCalendar::failureOf(QNetworkReply* reply) const {
    const QString where = m_collection.toDisplayString(QUrl::RemoveUserInfo);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 200 && status < 300)
        return {};
    switch (status) {
    case 401:
        return QStringLiteral("A agenda em %1 recusou o usuário ou a senha.").arg(where);
    case 403:
        return QStringLiteral("O usuário não tem permissão para gravar na agenda em %1.").arg(where);
    case 404:
        return QStringLiteral("A agenda %1 não existe no servidor.").arg(where);
    case 0:
        break;
    default:
        return QStringLiteral("A agenda em %1 respondeu com o erro %2 (%3).")
            .arg(where)
            .arg(status)
            .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    }
    if (reply->error() == QNetworkReply::SslHandshakeFailedError)
        return QStringLiteral("A conexão segura com a agenda em %1 falhou: %2")
            .arg(where, reply->errorString());
    return QStringLiteral("A agenda em %1 não pôde ser alcançada: %2").arg(where, reply->errorString());
}
