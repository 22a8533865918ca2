#include "dialogs/frmAppSettings.h"
#include "ui_frmAppSettings.h"

#include "dialogs/DialogGuard.h"
#include "engine/EventGuard.h"
#include "platform/DialUpComponent.h"
#include "platform/MsgBox.h"
#include "platform/SettingsStore.h"
#include "platform/Values.h"
#include "store/AppSettings.h"
#include "store/Globals.h"
#include "store/StoreValues.h"

#include <QMouseEvent>
#include <QRegularExpression>
#include <cmath>

namespace {

const QString kIncomplete = QStringLiteral("Incomplete Information");

void incomplete(const QString &prompt)
{
    MsgBox::show(prompt, kIncomplete, MsgBox::Icon::Information);
}

// AppSettings holds references, so it cannot be assigned whole.
void copyMembers(AppSettings &to, const AppSettings &from)
{
    to.PhoneBookEntry = from.PhoneBookEntry;
    to.ConnectionType = from.ConnectionType;
    to.ProxyServer = from.ProxyServer;
    to.AutoConnect = from.AutoConnect;
    to.AutoTimeSync = from.AutoTimeSync;
    to.ConnectXPriortoBid = from.ConnectXPriortoBid;
    to.ConnectUnitOfMeasure = from.ConnectUnitOfMeasure;
    to.TimeZone = from.TimeZone;
    to.TimeOffset = from.TimeOffset;
    to.PeriodicTimeSync = from.PeriodicTimeSync;
    to.DisconnectAfterSnipe = from.DisconnectAfterSnipe;
    to.ShowClosingWarning = from.ShowClosingWarning;
    to.AutoDeleteErrorLogs = from.AutoDeleteErrorLogs;
    to.DeleteErrorLogDays = from.DeleteErrorLogDays;
    to.DialupUserName = from.DialupUserName;
    to.DialupPassword = from.DialupPassword;
    to.NotSetup = from.NotSetup;
}

qint16 checkValue(bool ticked)
{
    return ticked ? 1 : 0;
}

const QString kSection = QString::fromLatin1(AppSettings::kSection);

} // namespace

frmAppSettings::frmAppSettings(QWidget *owner) : QDialog(owner), ui(std::make_unique<Ui::frmAppSettings>())
{
    ui->setupUi(this);
    ui->optConnectionType->setId(ui->optConnectionType0, 0);
    ui->optConnectionType->setId(ui->optConnectionType1, 1);
    ui->optConnectionType->setId(ui->optConnectionType2, 2);
    ui->optConnectionType->setId(ui->optConnectionType3, 3);
    ui->lblShowClosingWarning->installEventFilter(this);

    connect(ui->optConnectionType, &QButtonGroup::idClicked, this, &frmAppSettings::optConnectionType_Click);
    connect(ui->cboTime, &QComboBox::activated, this, [this] { ShowTimeZoneOffset(); });
    connect(ui->SSTab1, &QTabWidget::currentChanged, this, [this] { UpdateTabButtons(); });
    connect(ui->cmdNext, &QPushButton::clicked, this, [this] {
        UpdateTabButtons();
        ui->SSTab1->setCurrentIndex(qMin(ui->SSTab1->currentIndex() + 1, ui->SSTab1->count() - 1));
    });
    connect(ui->cmdPrevious, &QPushButton::clicked, this, [this] {
        UpdateTabButtons();
        ui->SSTab1->setCurrentIndex(qMax(ui->SSTab1->currentIndex() - 1, 0));
    });
    connect(ui->cmdOK, &QPushButton::clicked, this, &frmAppSettings::cmdOK_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmAppSettings::cmdCancel_Click);

    runGuarded("LoadSettingsForm", ErrorReport::Message, [this] { LoadSettingsForm(); });
    UpdateTabButtons();
    installEventFilter(this);
}

frmAppSettings::~frmAppSettings() = default;

QStringList frmAppSettings::timeZones()
{
    return {
        QStringLiteral("(GMT -12:00) Eniwetok Kwajalein"),
        QStringLiteral("(GMT -11:00) Midway Island, Samoa"),
        QStringLiteral("(GMT -10:00) Hawaii"),
        QStringLiteral("(GMT -09:00) Alaska"),
        QStringLiteral("(GMT -08:00) Pacific Time (US & Canada); Tijuana"),
        QStringLiteral("(GMT -07:00) Mountain Time (US & Canada)"),
        QStringLiteral("(GMT -06:00) Central Time (US & Canada)"),
        QStringLiteral("(GMT -05:00) Eastern Time (US & Canada)"),
        QStringLiteral("(GMT -04:00) Atlantic Time (Canada)"),
        QStringLiteral("(GMT -03:00) Brasilia"),
        QStringLiteral("(GMT -02:00) Mid-Atlantic"),
        QStringLiteral("(GMT -01:00) Azores, Cape Verde Is."),
        QStringLiteral("(GMT) Greenwich Mean Time : Dublic, Edinburgh, Lisbon, London"),
        QStringLiteral("(GMT +01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna"),
        QStringLiteral("(GMT +02:00) Athens, Istanbul, Minsk, Jerusalem"),
        QStringLiteral("(GMT +03:00) Moscow, St. Petersburg, Volograd, Nairobi"),
        QStringLiteral("(GMT +04:00) Abu Dhabi, Muscat"),
        QStringLiteral("(GMT +05:00) Islamabad, Karachi, Tashkent"),
        QStringLiteral("(GMT +06:00) Astana, Almaty, Dhaka"),
        QStringLiteral("(GMT +07:00) Bangkok, Hanoi, Jakarta"),
        QStringLiteral("(GMT +08:00) Beijing, Chongqing, Hong Kong, Singapore"),
        QStringLiteral("(GMT +09:00) Osaka, Sapporo, Tokyo, Seoul, Yakutsk"),
        QStringLiteral("(GMT +10:00) Canberra, Melbourne, Syndey"),
        QStringLiteral("(GMT +11:00) Magadan, Solomon Is., New Caledonia"),
        QStringLiteral("(GMT +12:00) Auckland, Wellington, Fiji, Kamchatka, Marshall Is."),
    };
}

qint16 frmAppSettings::timeZoneOffset(const QString &zoneEntry)
{
    // The signed hours stand right before the first colon; the Greenwich entry has none there.
    const int colon = zoneEntry.indexOf(QLatin1Char(':'));
    if (colon >= 3) {
        const QString hours = zoneEntry.mid(colon - 3, 3);
        if (Values::isNumber(hours)) {
            if (const auto h = toInt16(hours))
                return static_cast<qint16>(*h + 8);
        }
    }
    return 8;
}

void frmAppSettings::LoadSettingsForm()
{
    const AppSettings &s = dialogSettings();

    // An unusable dial-up layer leaves the list as far as it got.
    try {
        DialUpComponent rasComp;
        const int count = rasComp.PhoneBookCount();
        for (int i = 0; i < count; ++i)
            ui->cboPhoneEntry->addItem(rasComp.PhoneBookEntry(i).EntryName);
    } catch (const std::exception &) {
    }
    m_noDialupEntries = ui->cboPhoneEntry->count() == 0;
    if (m_noDialupEntries)
        ui->cboPhoneEntry->setPlaceholderText(QStringLiteral("(no dialup connections found)"));
    ui->cboPhoneEntry->setCurrentIndex(SelectPhoneEntry());

    // A first set-up on a machine with nothing to dial starts from a direct connection; a saved
    // choice stands.
    const int type = s.NotSetup && s.ConnectionType == 0 && m_noDialupEntries ? 2 : s.ConnectionType;
    if (QAbstractButton *b = ui->optConnectionType->button(type))
        b->setChecked(true);
    optConnectionType_Click(type);

    ui->txtProxyServer->setText(s.ProxyServer);
    ui->chkAutoConnect->setChecked(s.AutoConnect != 0);
    ui->chkAutoTimeSync->setChecked(s.AutoTimeSync != 0);
    ui->txtConnectMins->setText(QString::number(s.ConnectXPriortoBid));
    ui->txtConUserName->setText(s.DialupUserName);
    ui->txtConUserPassword->setText(s.DialupPassword);
    ui->chkDiscAfterSnipe->setChecked(s.DisconnectAfterSnipe != 0);
    ui->chkShowClosingWarning->setChecked(s.ShowClosingWarning != 0);

    if (s.PeriodicTimeSync < 1) {
        ui->chkPeriodicTimeSync->setChecked(false);
        ui->txtTimeSyncHours->clear();
    } else {
        ui->chkPeriodicTimeSync->setChecked(true);
        ui->txtTimeSyncHours->setText(QString::number(s.PeriodicTimeSync));
    }

    const SettingsStore &store = SettingsStore::instance();
    ui->txtDeleteErrorLogDays->setText(store.get(kSection, QStringLiteral("DeleteErrorLogDays"), QStringLiteral("7")));
    ui->chkAutoDeleteErrorLogs->setChecked(
        toInt16(store.get(kSection, QStringLiteral("AutoDeleteErrorLogs"), QStringLiteral("1"))).value_or(0) == 1);

    ui->cboTime->addItems(timeZones());
    const int zone = s.TimeZone.isEmpty() ? -1 : timeZones().indexOf(s.TimeZone);
    ui->cboTime->setCurrentIndex(zone);
    if (zone >= 0)
        ShowTimeZoneOffset();
}

int frmAppSettings::SelectPhoneEntry() const
{
    const QString wanted = dialogSettings().PhoneBookEntry;
    if (wanted.isEmpty())
        return -1;
    for (int i = 0; i < ui->cboPhoneEntry->count(); ++i) {
        if (ui->cboPhoneEntry->itemText(i) == wanted)
            return i;
    }
    return -1;
}

void frmAppSettings::optConnectionType_Click(int index)
{
    ui->cboPhoneEntry->setEnabled(index == 0);
    ui->txtProxyServer->setEnabled(index == 3);
    ui->txtConnectMins->setEnabled(true);
    ui->txtConUserName->setEnabled(index == 0);
    ui->txtConUserPassword->setEnabled(index == 0);
}

void frmAppSettings::ShowTimeZoneOffset()
{
    ui->txtTimeOffset->setText(QString::number(timeZoneOffset(ui->cboTime->currentText())) + QStringLiteral(" hours"));
}

void frmAppSettings::UpdateTabButtons()
{
    const int tab = ui->SSTab1->currentIndex();
    ui->cmdPrevious->setEnabled(tab > 0);
    ui->cmdNext->setEnabled(tab < ui->SSTab1->count() - 1);
}

bool frmAppSettings::ValidateSettings()
{
    const int type = ui->optConnectionType->checkedId();
    if (type == 3 && ui->txtProxyServer->text().isEmpty()) {
        incomplete(QStringLiteral("You must enter the name of the proxy server."));
        return false;
    }
    if (type == 0 && ui->cboPhoneEntry->currentIndex() < 0) {
        if (m_noDialupEntries)
            incomplete(QStringLiteral("You have chosen Dialup Connection, but no dialup connection is set up on "
                                      "this computer (NetworkManager lists none), so Zandrift has nothing to dial.  "
                                      "Please choose another connection type, or set up a dialup connection first."));
        else
            incomplete(QStringLiteral("You have chosen Dialup Connection, but have not selected an actual "
                                      "connection.  Please do so..."));
        return false;
    }
    if (type == 0 && ui->txtConnectMins->text().isEmpty()) {
        incomplete(QStringLiteral("You must tell Zandrift to connect X Mins from the end of an auction (Auction "
                                  "Defaults Tab)."));
        return false;
    }
    if (ui->cboTime->currentIndex() < 0) {
        incomplete(QStringLiteral("Please select a time zone (Time Tab)."));
        return false;
    }
    if (ui->chkPeriodicTimeSync->isChecked()) {
        const QString hoursText = ui->txtTimeSyncHours->text();
        if (!Values::isTypedNumber(hoursText)) {
            incomplete(QStringLiteral("Please enter a valid number of hours for time synchronization."));
            return false;
        }
        const double hours = std::nearbyint(Values::toTypedNumber(hoursText));
        if (hours > 168) {
            incomplete(QStringLiteral("The maximum allowable number of hours between time synchronizations is 168 "
                                      "hours(1 week).  You have exceeded this value, please adjust it now."));
            return false;
        }
        if (hours < 1) {
            incomplete(QStringLiteral("The minimum time allowable between time synchronizations is 1 hour."));
            return false;
        }
    }
    const QString minutesText = ui->txtConnectMins->text();
    if (!Values::isTypedNumber(minutesText) || !toInt16(minutesText)) {
        incomplete(QStringLiteral("Please enter a valid number of minutes for Zandrift to connect prior to the end "
                                  "of an auction."));
        return false;
    }
    // Only a plain whole number of days reaches the purge.
    if (ui->chkAutoDeleteErrorLogs->isChecked()) {
        static const QRegularExpression days(QStringLiteral("^\\d{1,3}$"));
        if (!days.match(Values::trimBlanks(ui->txtDeleteErrorLogDays->text())).hasMatch()) {
            incomplete(QStringLiteral("Please enter a valid number of days, from 0 to 999, after which Zandrift "
                                      "deletes error logs (Auction Defaults Tab)."));
            return false;
        }
    }
    const qint16 minutes = *toInt16(minutesText);
    // The lead is when a snipe starts its steps (connect, clock, preparatory bid): with none
    // left before the bid, every snipe starts too late.
    if (minutes < 1) {
        incomplete(QStringLiteral("The minimum time allowable for connecting prior to the end of an auction is 1 "
                                  "minute (Auction Defaults Tab)."));
        return false;
    }
    if (minutes > 10 || minutes < 3) {
        const MsgBox::Answer a = MsgBox::show(
            QStringLiteral("If you are using a dialup connection, it is highly recommended that you select a value "
                           "from 3 to 10 minutes for Connecting to the Internet Prior to Placing Bid.  Users of Direct "
                           "Connections or Proxy Connections may choose to shorten this timeframe in extreme cases "
                           "(where your internet connection times out after short periods of time).") +
                QStringLiteral("\r\n\r\n") +
                QStringLiteral("If you would like to keep this setting, click Yes, otherwise, Click No to edit."),
            QStringLiteral("Verify Setting - Connect X Mins Before Bid Placement"), MsgBox::Icon::None,
            MsgBox::Buttons::YesNo);
        return a == MsgBox::Answer::Yes;
    }
    return true;
}

bool frmAppSettings::saveSettings()
{
    // The edits go to a copy first: a save that fails leaves gSettings as it was.
    AppSettings &current = dialogSettings();
    AppSettings s(current);
    s.PhoneBookEntry = ui->cboPhoneEntry->currentIndex() >= 0 ? ui->cboPhoneEntry->currentText() : QString();
    if (ui->optConnectionType->checkedId() >= 0)
        s.ConnectionType = ui->optConnectionType->checkedId();
    s.ProxyServer = ui->txtProxyServer->text();
    s.AutoConnect = checkValue(ui->chkAutoConnect->isChecked());
    s.AutoTimeSync = checkValue(ui->chkAutoTimeSync->isChecked());
    s.DisconnectAfterSnipe = checkValue(ui->chkDiscAfterSnipe->isChecked());
    s.ShowClosingWarning = checkValue(ui->chkShowClosingWarning->isChecked());
    s.ConnectXPriortoBid = toInt16(ui->txtConnectMins->text()).value_or(s.ConnectXPriortoBid);
    s.TimeZone = ui->cboTime->currentText();
    QString offset = ui->txtTimeOffset->text();
    offset.remove(QStringLiteral("hours"));
    s.TimeOffset = toInt16(Values::trimBlanks(offset)).value_or(timeZoneOffset(s.TimeZone));
    s.NotSetup = false;
    s.PeriodicTimeSync =
        ui->chkPeriodicTimeSync->isChecked() ? toInt16(ui->txtTimeSyncHours->text()).value_or(0) : qint16(0);
    s.AutoDeleteErrorLogs = ui->chkAutoDeleteErrorLogs->isChecked();
    if (s.AutoDeleteErrorLogs)
        s.DeleteErrorLogDays = toInt16(ui->txtDeleteErrorLogDays->text()).value_or(s.DeleteErrorLogDays);
    s.DialupUserName = ui->txtConUserName->text();
    s.DialupPassword = ui->txtConUserPassword->text();
    if (!s.SaveSettings())
        return false;
    copyMembers(current, s);
    return true;
}

void frmAppSettings::cmdOK_Click()
{
    runGuarded("cmdOK_Click", ErrorReport::Message, [this] {
        if (!ValidateSettings())
            return;
        if (saveSettings())
            accept();
    });
}

void frmAppSettings::cmdCancel_Click()
{
    const MsgBox::Answer a = MsgBox::show(QStringLiteral("Do you want to exit Without Saving Settings?"),
                                          QStringLiteral("Exit Without Saving Changes?"), MsgBox::Icon::None,
                                          MsgBox::Buttons::YesNo, MsgBox::Answer::No);
    if (a == MsgBox::Answer::Yes)
        QDialog::reject();
}

void frmAppSettings::reject()
{
    cmdCancel_Click();
}

bool frmAppSettings::eventFilter(QObject *watched, QEvent *event)
{
    // The wrapped notes make the layout's own minimum a little short of what the rows need: the
    // dialog opens at its full height instead.
    if (watched == this && event->type() == QEvent::Show && height() < sizeHint().height())
        resize(width(), sizeHint().height());
    // The closing-warning text wraps in a label of its own; a click on it ticks the box.
    if (watched == ui->lblShowClosingWarning && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        ui->chkShowClosingWarning->toggle();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
