// Signing the program user into the site in the built-in browser.
#include "BrowserPane.h"

#include "BSN_User.h"
#include "Globals.h"
#include "MsgBox.h"
#include "ebayURLS.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>

namespace {

// Fills the first form's "userid" and "pass" and clicks its first element of type "submit" as
// the page writes it ("Submit" is not that type). The two values arrive as JSON string
// literals, so no quote, backslash or line break in them can end the script's text.
const char *const kSignInScript = R"JS((function (name, pass) {
    try {
        var form = document.forms[0];
        form.elements.namedItem("userid").value = name;
        form.elements.namedItem("pass").value = pass;
        for (var i = 0; i < form.length; i++) {
            var e = form.elements[i];
            var type = e.getAttribute("type");
            if (type === null)
                type = e.type;
            if (type === "submit") {
                e.click();
                return "sent";
            }
        }
        return "no submit element";
    } catch (err) {
        return "failed: " + err;
    }
}).apply(null, %1))JS";

QString signInScript(const QString &name, const QString &password)
{
    const QByteArray args = QJsonDocument(QJsonArray{name, password}).toJson(QJsonDocument::Compact);
    return QString::fromLatin1(kSignInScript).arg(QString::fromUtf8(args));
}

void signInFailed()
{
    MsgBox::show(QStringLiteral("eBay Sign In Failed.  The most likely reason for this error is that eBay recently "
                                "changed the format of the Sign In Page and the automated Sign In attempt produced "
                                "unexpected Results.  It is recommended that you Sign to eBay Manually."),
                 QStringLiteral("eBay Sign In Failed"), MsgBox::Icon::Information);
}

QString signInAddress()
{
    const ebayURLS *urls = UseURLs();
    return urls ? urls->EbayUserSignInURL : QString();
}

} // namespace

void BrowserPane::setSignInEnabled(bool enabled)
{
    m_menuItems.value(QStringLiteral("ebaysignin"))->setEnabled(enabled);
}

void BrowserPane::signInToSite()
{
    // The menu item is disabled without a user; a call from elsewhere has nobody to sign in.
    if (!gCurrentUser)
        return;
    gCurrentUser->SignInUserNow = true;
    NavigateSafe(signInAddress());
    if (m_safeUrl.isEmpty())
        gCurrentUser->SignInUserNow = false;
}

void BrowserPane::WB_DocumentComplete(const QUrl &url)
{
    if (!gCurrentUser || !gCurrentUser->SignInUserNow)
        return;
    gCurrentUser->SignInUserNow = false;
    const QString signIn = signInAddress();
    if (url.isEmpty() || signIn.isEmpty())
        return;
    const QUrl wanted = QUrl::fromUserInput(signIn);
    if (url.toString(QUrl::FullyEncoded).compare(wanted.toString(QUrl::FullyEncoded), Qt::CaseInsensitive) != 0)
        return;
    QPointer<BrowserPane> self(this);
    m_wb->runScript(signInScript(gCurrentUser->EbayName, gCurrentUser->EbayPassword), [self](const QVariant &result) {
        if (self && result.toString() != QLatin1String("sent"))
            signInFailed();
    });
}
