// zandrift-demo-folder FOLDER PORT: prepares a program folder for trying Zandrift against the
// practice site running with its demo scenario on 127.0.0.1:PORT.
#include "DemoFolder.h"
#include "store/Globals.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Zandrift"));
    const QStringList args = QCoreApplication::arguments();
    bool portOk = false;
    const int port = args.size() == 3 ? args[2].toInt(&portOk) : 0;
    if (!portOk || port <= 0 || port > 65535) {
        std::fprintf(stderr, "usage: zandrift-demo-folder FOLDER PORT\n");
        return 2;
    }
    const QString base = QStringLiteral("http://127.0.0.1:%1/aw-cgi/eBayISAPI.dll?").arg(port);
    const QByteArray urls = QStringLiteral("Page addresses of the practice site on port %1.\n"
                                           "EbayViewItemURL|%2ViewItem&item=\n"
                                           "EbayBiddingURL|%2AcceptBid\n"
                                           "EbayTimeSyncURL|%2TimeShow\n"
                                           "EbayLogInURL|%2SignInWelcome\n"
                                           "EbayMakeBidURL|%2MakeBid\n"
                                           "EbayConfirmBidURL|%2AcceptBid\n"
                                           "EbaySignInURL|%2SignIn\n")
                                .arg(port)
                                .arg(base)
                                .toUtf8();
    QString error;
    DemoFolder::User user;
    user.siteName = QStringLiteral("snipetester");
    user.sitePassword = QStringLiteral("secret");
    const QStringList items = {QStringLiteral("3001000001"), QStringLiteral("3001000002"), QStringLiteral("3001000003"),
                               QStringLiteral("3001000004"), QStringLiteral("3001000005")};
    const bool ok = DemoFolder::create(args[1], urls, &error) && DemoFolder::addUser(user, &error) &&
                    DemoFolder::importAuctions(items, 30000, &error) &&
                    DemoFolder::scheduleSnipe(QStringLiteral("3001000001"), 20.00, 1, 5, &error);
    ReleaseGlobals();
    if (!ok) {
        std::fprintf(stderr, "zandrift-demo-folder: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("Demo folder ready: %s\n", qPrintable(args[1]));
    return 0;
}
