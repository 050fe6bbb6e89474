#include "frmPreferences.h"

#include "Include.h"
#include "SkinnedDialog.h"
#include "TextNumber.h"
#include "Translations.h"
#include "WindowHelpers.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct Pref
{
    const char *name;
    const char *caption;
    const char *section;
    const char *key;
    const char *def;
};

// In the order they are written.
const Pref kPrefs[] = {
    {"chkOpenMain", QT_TRANSLATE_NOOP("frmPreferences", "Open main window when Tarnwick starts"),
        "START", "OPENMAIN", "True"},
    {"chkAnimate", QT_TRANSLATE_NOOP("frmPreferences", "Animations"), "PREFS", "ANIMATE", "False"},
    {"chkAlert", QT_TRANSLATE_NOOP("frmPreferences", "Play sound when new items are received"),
        "PREFS", "ALERT", "False"},
    {"chkDrop", QT_TRANSLATE_NOOP("frmPreferences", "Play animation sounds"), "PREFS", "DROP",
        "False"},
    {"chkSingle", QT_TRANSLATE_NOOP("frmPreferences", "Single-click to open channels"), "PREFS",
        "SINGLE", "False"},
    {"chkNewTicker", QT_TRANSLATE_NOOP("frmPreferences", "Pop-up new items in Ticker bar"), "PREFS",
        "POPUP", "False"},
    {"chkDescr", QT_TRANSLATE_NOOP("frmPreferences", "Show Channel Descriptions in Tree"), "PREFS",
        "DESCRIPTION", "True"},
};

// The language switch: the windows stay in English whatever the desktop's language.
void AddLanguageControls(QWidget *dialog, QLayout *layout)
{
    auto *english = new QCheckBox(
        frmPreferences::tr("Always show Tarnwick in English (from the next start)"), dialog);
    english->setObjectName(QStringLiteral("chkEnglish"));
    english->setChecked(Translations::KeepEnglish());
    layout->addWidget(english);
}

const QString kRunSection = QStringLiteral("CurrentVersion\\Run");

// The desktop's switches: the tray icon's unread badge and notices of new items.
const Pref kDesktopPrefs[] = {
    {"chkTrayCount", QT_TRANSLATE_NOOP("frmPreferences", "Show the unread count on the tray icon"),
        "PREFS", "TRAYCOUNT", "True"},
    {"chkNotify",
        QT_TRANSLATE_NOOP("frmPreferences", "Show a desktop notification when new items arrive"),
        "PREFS", "NOTIFY", "True"},
};

// The store pointed at the start-up list for the length of one call.
template<typename Fn> auto WithStartupList(Fn fn)
{
    CRegSettings &settings = Include::Settings();
    settings.setCompany(QStringLiteral("Microsoft"));
    settings.setAppName(QStringLiteral("Windows"));
    auto result = fn(settings);
    settings.setCompany(QString::fromLatin1(CRegSettings::kDefaultCompany));
    settings.setAppName(QString::fromLatin1(CRegSettings::kProductName));
    return result;
}

} // namespace

frmPreferences::frmPreferences(std::function<void()> tickerSettings, QWidget *owner)
    : QDialog(owner), m_TickerSettings(std::move(tickerSettings))
{
    setObjectName(QStringLiteral("frmPreferences"));
    setWindowTitle(tr("Preferences"));
    auto *layout = new QVBoxLayout(this);
    auto *run = new QCheckBox(tr("Run Tarnwick when I log in to the desktop"), this);
    run->setObjectName(QStringLiteral("chkRunStartup"));
    run->setChecked(WithStartupList([](CRegSettings &s) {
        return !s.GetSetting(
                     kRunSection, QString::fromLatin1(CRegSettings::kProductName), QString())
                    .isEmpty();
    }));
    layout->addWidget(run);
    // The order on screen follows the table of the dialog, not the order of writing.
    for (const char *name : {"chkOpenMain", "chkAnimate", "chkAlert", "chkSingle", "chkNewTicker",
             "chkDrop", "chkDescr"}) {
        for (const Pref &p : kPrefs) {
            if (qstrcmp(p.name, name) != 0)
                continue;
            auto *box = new QCheckBox(tr(p.caption), this);
            box->setObjectName(QLatin1String(p.name));
            box->setChecked(Include::Settings().GetBool(QLatin1String(p.section),
                QLatin1String(p.key), TextNumber::ToBool(QLatin1String(p.def))));
            layout->addWidget(box);
        }
    }
    AddLanguageControls(this, layout);
    AddViewerKeyControls(layout);
    AddDesktopControls(layout);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ticker =
        buttons->addButton(tr("Ticker Settings..."), QDialogButtonBox::ActionRole);
    ticker->setObjectName(QStringLiteral("cmdTicker"));
    ticker->setEnabled(bool(m_TickerSettings));
    QPushButton *ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("cmdOk"));
    QPushButton *cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    layout->addWidget(buttons);
    connect(ticker, &QPushButton::clicked, this, [this] {
        if (m_TickerSettings)
            m_TickerSettings();
    });
    connect(ok, &QPushButton::clicked, this, [this] {
        cmdOk_Click();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    SkinnedDialog::Attach(this); // the skin's dialog frame
}

void frmPreferences::AddDesktopControls(QVBoxLayout *layout)
{
    for (const Pref &p : kDesktopPrefs) {
        auto *box = new QCheckBox(QCoreApplication::translate("frmPreferences", p.caption), this);
        box->setObjectName(QLatin1String(p.name));
        box->setChecked(Include::Settings().GetBool(QLatin1String(p.section), QLatin1String(p.key),
            TextNumber::ToBool(QLatin1String(p.def))));
        layout->addWidget(box);
    }
}

void frmPreferences::SaveDesktopControls()
{
    for (const Pref &p : kDesktopPrefs)
        Include::Settings().SaveSetting(QLatin1String(p.section), QLatin1String(p.key),
            Box(QLatin1String(p.name))->isChecked() ? QStringLiteral("True")
                                                    : QStringLiteral("False"));
}

QCheckBox *frmPreferences::Box(const QString &name) const
{
    return findChild<QCheckBox *>(name);
}

QString frmPreferences::ProgramPath()
{
    // The program itself, or the tarnwick beside whatever runs this (a check, a tool).
    const QFileInfo self(QCoreApplication::applicationFilePath());
    const QFileInfo beside(self.absolutePath() + QStringLiteral("/tarnwick"));
    return self.fileName() == QLatin1String("tarnwick") || !beside.exists()
        ? self.absoluteFilePath()
        : beside.absoluteFilePath();
}

void frmPreferences::cmdOk_Click()
{
    const bool run = Box(QStringLiteral("chkRunStartup"))->isChecked();
    WithStartupList([run](CRegSettings &s) {
        const QString key = QString::fromLatin1(CRegSettings::kProductName);
        return run ? s.SaveSetting(kRunSection, key, ProgramPath())
                   : s.DeleteSetting(kRunSection, key);
    });
    Translations::SetKeepEnglish(Box(QStringLiteral("chkEnglish"))->isChecked());
    for (const Pref &p : kPrefs)
        Include::Settings().SaveSetting(QLatin1String(p.section), QLatin1String(p.key),
            Box(QLatin1String(p.name))->isChecked() ? QStringLiteral("True")
                                                    : QStringLiteral("False"));
    SaveViewerKeyControls();
    SaveDesktopControls();
}

// Item viewers read from single keys (j, k, space, m, t, o, /) unless switched off here.
void frmPreferences::AddViewerKeyControls(QVBoxLayout *layout)
{
    auto *box =
        new QCheckBox(tr("Read items with single keys in viewers (j, k, space, m, t, o, /)"), this);
    box->setObjectName(QStringLiteral("chkViewerKeys"));
    box->setChecked(
        Include::Settings().GetBool(QStringLiteral("PREFS"), QStringLiteral("VIEWERKEYS"), true));
    layout->addWidget(box);
}

void frmPreferences::SaveViewerKeyControls()
{
    if (QCheckBox *box = Box(QStringLiteral("chkViewerKeys")))
        Include::Settings().SaveSetting(QStringLiteral("PREFS"), QStringLiteral("VIEWERKEYS"),
            box->isChecked() ? QStringLiteral("True") : QStringLiteral("False"));
}
