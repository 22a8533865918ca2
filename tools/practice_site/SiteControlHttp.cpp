#include "SiteImpl.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

// The stand-alone site is driven over HTTP under /control/ with small JSON bodies:
//   GET  /control/requests            the requests kept (arrival and answer ms, method, path, query, body)
//   POST /control/requests/clear
//   POST /control/auction             {"item","title","price","quantity","endsInSeconds","seller",
//                                      "private","bids":[{"bidder","max"}]}
//   POST /control/user                {"userid","pass"}
//   POST /control/fault               {"target",
//                                      "kind":"delay|drop|500|garbage|notime|cut|large|empty|endless|502|header",
//                                      "ms","times","bytes"}
//   POST /control/faults/clear
//   POST /control/clock               {"offsetMs"}
namespace practice {

namespace {
void json(httplib::Response &res, const QJsonDocument &doc, int status = 200)
{
    res.status = status;
    res.set_content(doc.toJson(QJsonDocument::Compact).toStdString(), "application/json");
}

QJsonObject ok()
{
    return QJsonObject{{QStringLiteral("ok"), true}};
}
} // namespace

bool PracticeSite::Impl::handleControl(const httplib::Request &req, httplib::Response &res, PracticeSite &site)
{
    const QString path = QString::fromStdString(req.path);
    const QJsonObject in = QJsonDocument::fromJson(QByteArray::fromStdString(req.body)).object();
    if (path == QLatin1String("/control/requests") && req.method == "GET") {
        QJsonArray out;
        for (const RecordedRequest &r : site.requests()) {
            out.append(QJsonObject{{QStringLiteral("ms"), r.arrivalMs},
                                   {QStringLiteral("answeredMs"), r.processedMs},
                                   {QStringLiteral("method"), r.method},
                                   {QStringLiteral("path"), r.path},
                                   {QStringLiteral("query"), r.query},
                                   {QStringLiteral("body"), QString::fromUtf8(r.body)}});
        }
        json(res, QJsonDocument(out));
        return true;
    }
    if (req.method != "POST")
        return false;
    if (path == QLatin1String("/control/requests/clear")) {
        site.clearRequests();
    } else if (path == QLatin1String("/control/auction")) {
        Auction a;
        a.item = in.value(QStringLiteral("item")).toString();
        if (a.item.isEmpty()) {
            json(res, QJsonDocument(QJsonObject{{QStringLiteral("error"), QStringLiteral("item missing")}}), 400);
            return true;
        }
        a.title = in.value(QStringLiteral("title")).toString(QStringLiteral("Item ") + a.item);
        a.startPrice = in.value(QStringLiteral("price")).toDouble(1.0);
        a.quantity = in.value(QStringLiteral("quantity")).toInt(1);
        a.end = site.now().addSecs(in.value(QStringLiteral("endsInSeconds")).toInt(300));
        a.seller = in.value(QStringLiteral("seller")).toString(a.seller);
        a.isPrivate = in.value(QStringLiteral("private")).toBool();
        for (const QJsonValue &b : in.value(QStringLiteral("bids")).toArray()) {
            a.bids.push_back(Bid{b[QStringLiteral("bidder")].toString(), b[QStringLiteral("max")].toDouble(), 1});
        }
        site.addAuction(a);
    } else if (path == QLatin1String("/control/user")) {
        site.addUser(in.value(QStringLiteral("userid")).toString(), in.value(QStringLiteral("pass")).toString());
    } else if (path == QLatin1String("/control/fault")) {
        static const QHash<QString, FaultKind> kinds{
            {QStringLiteral("delay"), FaultKind::Delay},       {QStringLiteral("drop"), FaultKind::Drop},
            {QStringLiteral("500"), FaultKind::ServerError},   {QStringLiteral("garbage"), FaultKind::Garbage},
            {QStringLiteral("notime"), FaultKind::NoTime},     {QStringLiteral("cut"), FaultKind::CutShort},
            {QStringLiteral("large"), FaultKind::LargePage},   {QStringLiteral("empty"), FaultKind::Empty},
            {QStringLiteral("endless"), FaultKind::Endless},   {QStringLiteral("502"), FaultKind::Processed5xx},
            {QStringLiteral("header"), FaultKind::LargeHeader}};
        const QString kind = in.value(QStringLiteral("kind")).toString();
        if (!kinds.contains(kind)) {
            json(res, QJsonDocument(QJsonObject{{QStringLiteral("error"), QStringLiteral("unknown kind")}}), 400);
            return true;
        }
        site.setFault(in.value(QStringLiteral("target")).toString(QLatin1String(kDllPath)),
                      Fault{kinds.value(kind), in.value(QStringLiteral("ms")).toInt(),
                            in.value(QStringLiteral("times")).toInt(-1),
                            static_cast<qint64>(in.value(QStringLiteral("bytes")).toDouble())});
    } else if (path == QLatin1String("/control/faults/clear")) {
        site.clearFaults();
    } else if (path == QLatin1String("/control/clock")) {
        site.setClockOffsetMs(static_cast<qint64>(in.value(QStringLiteral("offsetMs")).toDouble()));
    } else {
        return false;
    }
    json(res, QJsonDocument(ok()));
    return true;
}

void PracticeSite::loadDemoScenario()
{
    const QDateTime t = now();
    addUser(QStringLiteral("snipetester"), QStringLiteral("secret"));
    struct Row
    {
        const char *item, *title, *seller;
        double price;
        int quantity, endsInSecs;
        bool isPrivate;
        double rivalMax;
    } rows[] = {
        {"3001000001", "Brass ship's clock, working", "clockworks", 1.00, 1, 240, false, 14.00},
        {"3001000002", "Sealed letter collection, 1920s", "papertrail", 25.00, 1, 300, true, 40.00},
        {"3001000003", "Glass marbles, bag of 50 (10 bags)", "marblemania", 0.99, 10, 360, false, 3.00},
        {"3001000004", "Tin toy robot, boxed", "robotroom", 10.00, 1, 420, false, 0},
        {"3001000005", "Fountain pen, gold nib", "inkwell", 5.00, 1, 480, false, 55.00},
    };
    for (const Row &r : rows) {
        Auction a;
        a.item = QLatin1String(r.item);
        a.title = QLatin1String(r.title);
        a.seller = QLatin1String(r.seller);
        a.startPrice = r.price;
        a.quantity = r.quantity;
        a.end = t.addSecs(r.endsInSecs);
        a.isPrivate = r.isPrivate;
        if (r.rivalMax > 0)
            a.bids.push_back(Bid{QStringLiteral("rival%1").arg(a.item.right(1)), r.rivalMax, 1});
        addAuction(a);
    }
}

} // namespace practice
