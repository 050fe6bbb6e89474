#include "frmTickerSettings.h"

#include "Include.h"
#include "SkinnedDialog.h"
#include "TickerSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

int ScreenWidth()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 1024;
}

QString Stored(const char *key, const QString &def)
{
    return Include::Settings().GetSetting(QStringLiteral("Ticker"), QLatin1String(key), def);
}

QButtonGroup *Options(
    QWidget *owner, QLayout *layout, const QStringList &captions, const char *name)
{
    auto *group = new QButtonGroup(owner);
    group->setObjectName(QLatin1String(name));
    for (int i = 0; i < captions.size(); ++i) {
        auto *option = new QRadioButton(captions.at(i), owner);
        option->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(i));
        group->addButton(option, i);
        layout->addWidget(option);
    }
    return group;
}

} // namespace

frmTickerSettings::frmTickerSettings(std::function<void(bool)> apply, QWidget *owner)
    : QDialog(owner), m_Apply(std::move(apply))
{
    setObjectName(QStringLiteral("frmTickerSettings"));
    setWindowTitle(tr("Ticker Settings"));
    const TickerSettings s = TickerSettings::Load(ScreenWidth());
    auto *layout = new QVBoxLayout(this);
    m_Tabs = new QTabWidget(this);
    m_Tabs->setObjectName(QStringLiteral("tabSettings"));
    layout->addWidget(m_Tabs);

    // Style
    auto *style = new QWidget(m_Tabs);
    auto *styleLayout = new QVBoxLayout(style);
    auto *effects = new QGroupBox(tr("Effect"), style);
    auto *effectsLayout = new QVBoxLayout(effects);
    m_Effect = Options(effects, effectsLayout,
        {tr("Scroll Horizontally"), tr("Scroll Vertically"), tr("Fade"), tr("Type-Write")},
        "optEffect");
    styleLayout->addWidget(effects);
    auto *speedRow = new QHBoxLayout;
    speedRow->addWidget(new QLabel(tr("Speed:"), style));
    speedRow->addWidget(new QLabel(tr("Slow"), style));
    m_Speed = new QSlider(Qt::Horizontal, style);
    m_Speed->setObjectName(QStringLiteral("sldSpeed"));
    m_Speed->setRange(1, 5);
    m_Speed->setSingleStep(1);
    m_Speed->setPageStep(1);
    m_Speed->setTickPosition(QSlider::TicksBelow);
    speedRow->addWidget(m_Speed, 1);
    speedRow->addWidget(new QLabel(tr("Fast"), style));
    styleLayout->addLayout(speedRow);
    m_ChannelTitle = new QCheckBox(tr("Show Channel Title"), style);
    m_Date = new QCheckBox(tr("Show Date"), style);
    m_Time = new QCheckBox(tr("Show Time"), style);
    for (QCheckBox *box : {m_ChannelTitle, m_Date, m_Time})
        styleLayout->addWidget(box);
    styleLayout->addStretch(1);
    m_Tabs->addTab(style, tr("Style"));

    // Position
    auto *position = new QWidget(m_Tabs);
    auto *positionLayout = new QVBoxLayout(position);
    auto *dockRow = new QHBoxLayout;
    m_Dock = Options(position, dockRow, {tr("Dock"), tr("Float")}, "optDock");
    positionLayout->addLayout(dockRow);
    auto *form = new QFormLayout;
    m_Left = new QLineEdit(position);
    m_Top = new QLineEdit(position);
    m_Width = new QLineEdit(position);
    m_Left->setObjectName(QStringLiteral("txtLeft"));
    m_Top->setObjectName(QStringLiteral("txtTop"));
    m_Width->setObjectName(QStringLiteral("txtWidth"));
    form->addRow(tr("Left"), m_Left);
    form->addRow(tr("Top"), m_Top);
    form->addRow(tr("Width"), m_Width);
    positionLayout->addLayout(form);
    positionLayout->addWidget(new QLabel(tr("(pixels)"), position));
    m_Defaults = new QPushButton(tr("Defaults"), position);
    m_Defaults->setObjectName(QStringLiteral("cmdPixelDefault"));
    positionLayout->addWidget(m_Defaults, 0, Qt::AlignLeft);
    positionLayout->addStretch(1);
    m_Tabs->addTab(position, tr("Position"));

    // Sources
    auto *sources = new QWidget(m_Tabs);
    auto *sourcesLayout = new QVBoxLayout(sources);
    m_Days = Options(
        sources, sourcesLayout, {tr("Today"), tr("Past 2 Days"), tr("Past 7 Days")}, "optDays");
    auto *all = new QGroupBox(tr("All Items"), sources);
    auto *allLayout = new QVBoxLayout(all);
    m_Unread = new QCheckBox(tr("Unread Only"), all);
    m_Unread->setObjectName(QStringLiteral("chkUnread"));
    allLayout->addWidget(m_Unread);
    sourcesLayout->addWidget(all);
    m_Random = new QCheckBox(tr("Randomize Items"), sources);
    m_Random->setObjectName(QStringLiteral("chkRnd"));
    sourcesLayout->addWidget(m_Random);
    sourcesLayout->addStretch(1);
    m_Tabs->addTab(sources, tr("Sources"));

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(tr("&Ok"), QDialogButtonBox::AcceptRole);
    QPushButton *cancel = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    QPushButton *applyButton = buttons->addButton(tr("&Apply"), QDialogButtonBox::ApplyRole);
    ok->setObjectName(QStringLiteral("cmdOk"));
    applyButton->setObjectName(QStringLiteral("cmdApply"));
    layout->addWidget(buttons);

    // The stored values (the computed defaults where none is stored).
    if (QAbstractButton *b = m_Effect->button(s.effect))
        b->setChecked(true);
    m_Speed->setValue(qBound(1, s.speed, 5));
    m_ChannelTitle->setChecked(s.title);
    m_Date->setChecked(s.date);
    m_Time->setChecked(s.time);
    m_Dock->button(s.floating ? 1 : 0)->setChecked(true);
    m_Left->setText(Stored("Left", QString::number(ScreenWidth() / 6)));
    m_Top->setText(Stored("Top", QStringLiteral("0")));
    m_Width->setText(Stored("Width", QString::number(ScreenWidth() * 2 / 3)));
    if (QAbstractButton *b = m_Days->button(s.days))
        b->setChecked(true);
    m_Unread->setChecked(s.unread);
    m_Random->setChecked(s.random);
    DockChosen();
    m_ListChanged = false;

    connect(m_Dock, &QButtonGroup::idClicked, this, &frmTickerSettings::DockChosen);
    connect(m_Days, &QButtonGroup::idClicked, this, [this] { m_ListChanged = true; });
    connect(m_Random, &QCheckBox::clicked, this, [this] { m_ListChanged = true; });
    connect(m_Defaults, &QPushButton::clicked, this, &frmTickerSettings::cmdPixelDefault_Click);
    // Coming to a tab chooses its stored option again; on "Sources" that counts as a change.
    connect(m_Tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == 1)
            DockChosen();
        else if (tab == 2)
            m_ListChanged = true;
    });
    connect(applyButton, &QPushButton::clicked, this, &frmTickerSettings::cmdApply_Click);
    connect(ok, &QPushButton::clicked, this, [this] {
        cmdApply_Click();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    SkinnedDialog::Attach(this); // the skin's dialog frame
}

void frmTickerSettings::DockChosen()
{
    const bool floating = m_Dock->checkedId() == 1;
    for (QWidget *w : std::initializer_list<QWidget *> {m_Left, m_Top, m_Width, m_Defaults})
        w->setEnabled(floating);
}

void frmTickerSettings::cmdPixelDefault_Click()
{
    m_Top->setText(QStringLiteral("0"));
    m_Left->setText(QString::number(ScreenWidth() / 6));
    m_Width->setText(QString::number(ScreenWidth() * 2 / 3));
}

void frmTickerSettings::cmdApply_Click()
{
    CRegSettings &settings = Include::Settings();
    auto save = [&settings](const char *key, const QString &value) {
        settings.SaveSetting(QStringLiteral("Ticker"), QLatin1String(key), value);
    };
    auto yes = [](bool on) {
        return on ? QStringLiteral("1") : QStringLiteral("0");
    };
    save("Effect", QString::number(qMax(0, m_Effect->checkedId())));
    save("Speed", QString::number(m_Speed->value()));
    save("Title", yes(m_ChannelTitle->isChecked()));
    save("Date", yes(m_Date->isChecked()));
    save("Time", yes(m_Time->isChecked()));
    save("Dock", QString::number(qMax(0, m_Dock->checkedId())));
    save("Left", m_Left->text());
    save("Top", m_Top->text());
    save("Width", m_Width->text());
    save("Unread", yes(m_Unread->isChecked()));
    save("Days", QString::number(qMax(0, m_Days->checkedId())));
    save("Random", yes(m_Random->isChecked()));
    if (m_Apply)
        m_Apply(m_ListChanged);
    m_ListChanged = false;
}
