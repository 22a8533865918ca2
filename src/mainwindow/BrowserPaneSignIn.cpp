// Signing the program user into the site in the built-in browser.
#include "mainwindow/BrowserPane.h"

#include "engine/ebayURLS.h"
#include "platform/MsgBox.h"
#include "store/BSN_User.h"
#include "store/Globals.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QPointer>

namespace {

// Two calls of one script. With expected null it answers where the first form's submit element
// (its first element of type "submit" as the page writes it; "Submit" is not that type) would
// send the form: "target:" and the address. With expected set it fills the first form's
// "userid" and "pass" and clicks that element, but only while the form still goes to expected.
// The values arrive as JSON string literals, so no quote, backslash or line break in them can
// end the script's text.
const char *const kSignInScript = R"JS((function (name, pass, expected) {
    try {
        var form = document.forms[0];
        if (!form)
            return "no form";
        var submit = null;
        for (var i = 0; i < form.length && submit === null; i++) {
            var e = form.elements[i];
            var type = e.getAttribute("type");
            if (type === null)
                type = e.type;
            if (type === "submit")
                submit = e;
        }
        var target = submit !== null && submit.hasAttribute("formaction") ? submit.formAction : form.action;
        if (expected === null)
            return "target:" + target;
        if (target !== expected)
            return "the form's target changed";
        form.elements.namedItem("userid").value = name;
        form.elements.namedItem("pass").value = pass;
        if (submit === null)
            return "no submit element";
        submit.click();
        return "sent";
    } catch (err) {
        return "failed: " + err;
    }
}).apply(null, %1))JS";

constexpr QLatin1String kTargetAnswer("target:");

QString signInScript(const QString &name, const QString &password, const QString &expectedTarget)
{
    const QJsonValue expected = expectedTarget.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(expectedTarget);
    const QByteArray args = QJsonDocument(QJsonArray{name, password, expected}).toJson(QJsonDocument::Compact);
    return QString::fromLatin1(kSignInScript).arg(QString::fromUtf8(args));
}

void signInFailed()
{
    MsgBox::show(QStringLiteral("eBay Sign In Failed.  The most likely reason for this error is that eBay recently "
                                "changed the format of the Sign In Page and the automated Sign In attempt produced "
                                "unexpected Results.  It is recommended that you Sign to eBay Manually."),
                 QStringLiteral("eBay Sign In Failed"), MsgBox::Icon::Information);
}

void signInRefused(const QString &why)
{
    MsgBox::show(QStringLiteral("Zandrift did not fill in the eBay Sign In page: %1  Please Sign In to eBay "
                                "Manually.")
                     .arg(why),
                 QStringLiteral("eBay Sign In Not Sent"), MsgBox::Icon::Information);
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
    // First where the form would go; the password is put in only when that is the site.
    QPointer<BrowserPane> self(this);
    const UserPtr user = gCurrentUser;
    m_wb->runScript(signInScript(QString(), QString(), QString()), [self, user, url](const QVariant &answer) {
        if (!self)
            return;
        const QString text = answer.toString();
        if (!text.startsWith(kTargetAnswer)) {
            signInFailed();
            return;
        }
        const QString target = text.mid(kTargetAnswer.size());
        const QString refusal = signInFormRefusal(url, QUrl(target));
        if (!refusal.isEmpty()) {
            signInRefused(refusal);
            return;
        }
        self->m_wb->runScript(signInScript(user->EbayName, user->EbayPassword, target), [self](const QVariant &result) {
            if (self && result.toString() != QLatin1String("sent"))
                signInFailed();
        });
    });
}

QString BrowserPane::signInFormRefusal(const QUrl &signInPage, const QUrl &formTarget)
{
    const auto is = [](const QUrl &u, const char *scheme) {
        return u.scheme().compare(QLatin1String(scheme), Qt::CaseInsensitive) == 0;
    };
    if (!formTarget.isValid() || !(is(formTarget, "http") || is(formTarget, "https")))
        return QStringLiteral("its form does not send to a web address.");
    if (formTarget.host().compare(signInPage.host(), Qt::CaseInsensitive) != 0)
        return QStringLiteral("its form would send your password to %1, not to %2.")
            .arg(formTarget.host(), signInPage.host());
    if (is(signInPage, "https") && !is(formTarget, "https"))
        return QStringLiteral("it is a secure (https) page, but its form would send your password unencrypted "
                              "(http).");
    return QString();
}
