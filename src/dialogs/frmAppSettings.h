#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>

namespace Ui {
class frmAppSettings;
}

// The system settings: connection, start-up, auction defaults and time zone, on four pages.
// Edits gSettings; only a successful Finish changes it (and saves it).
class frmAppSettings : public QDialog
{
    Q_OBJECT
public:
    explicit frmAppSettings(QWidget *owner = nullptr);
    ~frmAppSettings() override;

    // The time zones offered, in the list's order.
    static QStringList timeZones();
    // Hours by which a zone entry is ahead of the site's clock (GMT -8).
    static qint16 timeZoneOffset(const QString &zoneEntry);

    // True when the form may be saved; otherwise the user has been told why.
    bool ValidateSettings();

    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    // Escape and the window's close box ask as Cancel does.
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void LoadSettingsForm();
    int SelectPhoneEntry() const;
    void ShowTimeZoneOffset();
    void UpdateTabButtons();
    void optConnectionType_Click(int index);
    bool saveSettings();

    std::unique_ptr<Ui::frmAppSettings> ui;
    bool m_noDialupEntries = true;
};
