#include "colProfiles.h"

#include "Include.h"
#include "ModelHost.h"
#include "ModelText.h"
#include "clsSpotlight.h"

#include <QDir>
#include <QFileInfo>

colProfiles::colProfiles(QObject *parent) : QObject(parent)
{ }

colProfiles::~colProfiles() = default;

QString colProfiles::FilePath() const
{
    return Include::AppPath() + QStringLiteral("/profiles/profiles.xml");
}

int colProfiles::IndexOf(const QString &key) const
{
    for (size_t i = 0; i < m_Profiles.size(); ++i) {
        if (m_Profiles[i]->Name().compare(key, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void colProfiles::Init()
{
    m_Loaded = false;
    ModelText::LoadDocument(m_Document, FilePath(), this, [this](const xml::Document &doc) {
        const ModelText::Reading reading = ModelText::Examine(doc, FilePath(), tr("profile list"));
        m_LeaveFile = reading.leaveFile;
        m_Loaded = true;
        if (!reading.document && !reading.damaged()) {
            if (IModelHost *host = IModelHost::Current())
                host->PopupInfo(tr("Error Reading Profiles.XML File !!!"));
            return;
        }
        if (reading.document)
            Walk(reading.document->documentElement());
        // A damaged list is made whole again from the profile folders it no longer names.
        if (reading.damaged())
            AddProfileFolders();
        emit ProfilesLoaded();
    });
}

void colProfiles::AddProfileFolders()
{
    const QDir profiles(QFileInfo(FilePath()).path());
    const auto folders = profiles.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &folder : folders) {
        const QString name = folder.fileName();
        const QDir dir(folder.filePath());
        const bool holdsProfile = dir.exists(QStringLiteral("channels.xml"))
            || dir.exists(QStringLiteral("groups.xml")) || dir.exists(QStringLiteral("items.xml"));
        if (!holdsProfile || !IsValidName(name) || IndexOf(name) >= 0)
            continue;
        auto profile = std::make_unique<clsProfile>(this);
        profile->setName(name);
        m_Profiles.push_back(std::move(profile));
    }
}

void colProfiles::Walk(xml::Node node)
{
    if (!node.hasChildNodes())
        return;
    if (node.nodeName().toLower() != QLatin1String("user")) {
        for (xml::Node child = node.firstChild(); child; child = child.nextSibling())
            Walk(child);
        return;
    }
    auto profile = std::make_unique<clsProfile>();
    profile->LoadUser(node);
    // The first of two profiles of one name stands; a stored name that could not be a folder
    // of its own is not taken.
    if (UserExists(profile->Name()) || IndexOf(profile->Name()) >= 0
        || !IsValidName(profile->Name()))
        return;
    profile->setParent(this);
    m_Profiles.push_back(std::move(profile));
}

bool colProfiles::SaveAllXML()
{
    // Never before the list has been read in: an empty collection is not an empty list.
    bool saved = false;
    if (m_Loaded && !m_LeaveFile) {
        xml::Document doc;
        xml::Node root = doc.setDocumentElement(doc.createElement("tarnwickprofiles"));
        for (const auto &profile : m_Profiles)
            root.appendChild(profile->SaveXML(doc));
        QDir().mkpath(QFileInfo(FilePath()).path());
        saved = doc.save(FilePath(), false);
    }
    for (const auto &profile : m_Profiles) {
        profile->SaveGroupXML();
        profile->SaveChannelXML();
    }
    return saved;
}

clsProfile *colProfiles::GetDefaultUser()
{
    for (const auto &profile : m_Profiles) {
        if (profile->Default())
            return profile.get();
    }
    if (m_Profiles.empty())
        return nullptr;
    m_Profiles.front()->setDefault(true);
    return m_Profiles.front().get();
}

clsProfile *colProfiles::GetUser(const QString &key) const
{
    const int i = IndexOf(key);
    return i >= 0 ? m_Profiles[size_t(i)].get() : nullptr;
}

clsProfile *colProfiles::GetUser(int position) const
{
    return position >= 1 && position <= UserCount() ? m_Profiles[size_t(position - 1)].get()
                                                    : nullptr;
}

bool colProfiles::UserExists(const QString &name) const
{
    for (const auto &profile : m_Profiles) {
        if (profile->Name() == name)
            return true;
    }
    return false;
}

bool colProfiles::IsValidName(const QString &name)
{
    static const QString forbidden = QStringLiteral("\\/:*?'|<>\"");
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (forbidden.contains(c) || c.unicode() < 32)
            return false;
    }
    return true;
}

bool colProfiles::AddUser(const QString &name, bool isDefault, bool offline)
{
    // The name becomes a folder below profiles/: nothing that could lead elsewhere.
    if (!IsValidName(name) || IndexOf(name) >= 0)
        return false;
    if (isDefault) {
        for (const auto &profile : m_Profiles)
            profile->setDefault(false);
    }
    QDir().mkpath(Include::AppPath() + QStringLiteral("/profiles/") + name);
    auto profile = std::make_unique<clsProfile>(this);
    profile->setName(name);
    profile->setDefault(isDefault);
    profile->setOffline(offline);
    m_Profiles.push_back(std::move(profile));
    return true;
}

void colProfiles::SetDefault(const QString &name)
{
    for (const auto &profile : m_Profiles)
        profile->setDefault(profile->Name() == name);
}

void colProfiles::DeleteUser(const QString &name)
{
    const int i = IndexOf(name);
    if (i < 0)
        return;
    m_Profiles[size_t(i)]->Deactivate();
    m_Profiles[size_t(i)]->KillUser();
    clsSpotlight::ForgetProfile(m_Profiles[size_t(i)]->Name()); // stored when it was deactivated
    m_Profiles.erase(m_Profiles.begin() + i);
}
