#include "colGroups.h"

#include "Include.h"
#include "ModelText.h"
#include "TextNumber.h"

#include <QCoreApplication>
#include <QDir>

#include <utility>

namespace {
bool countless(const QString &name)
{
    return name == QLatin1String("All Items") || name == QLatin1String("Tarnwick");
}

// The built-in groups as the tree shows them: the stored name in the user's language.
QString shownName(const QString &name)
{
    static const char *const builtIns[] = {
        QT_TRANSLATE_NOOP("colGroups", "All Items"), QT_TRANSLATE_NOOP("colGroups", "Spotlight")};
    for (const char *builtIn : builtIns)
        if (name == QLatin1String(builtIn))
            return QCoreApplication::translate("colGroups", builtIn);
    return name;
}
} // namespace

// ---- RSSGroup --------------------------------------------------------------------------------

void RSSGroup::LoadGroup(xml::Node element)
{
    for (xml::Node child = element.firstChild(); child; child = child.nextSibling())
        Walk(child);
}

void RSSGroup::Walk(xml::Node node)
{
    if (!node.hasChildNodes())
        return;
    const QString name = node.nodeName().toLower();
    const QString value = node.firstChild().text();
    if (name == QLatin1String("title"))
        m_Name = value;
    else if (name == QLatin1String("expand"))
        m_Expanded = value == QLatin1String("true");
    else if (name == QLatin1String("channel"))
        AddChannel(value);
    else
        for (xml::Node child = node.firstChild(); child; child = child.nextSibling())
            Walk(child);
}

xml::NodeHandle RSSGroup::SaveXML(xml::Document &doc) const
{
    xml::NodeHandle handle = doc.createElement("group");
    xml::Node e(handle.get());
    e.appendChild(doc.createTextElement("title", m_Name.toUtf8()));
    e.appendChild(doc.createTextElement("expand", m_Expanded ? "true" : "false"));
    if (!countless(m_Name)) {
        for (const QString &url : m_URLs)
            e.appendChild(doc.createTextElement("channel", url.toUtf8()));
    }
    return handle;
}

QString RSSGroup::Name(bool withCount) const
{
    if (!withCount)
        return m_Name;
    if (countless(m_Name))
        return shownName(m_Name);
    return shownName(m_Name) + QStringLiteral("  (") + QString::number(m_URLs.size())
        + QLatin1Char(')');
}

bool RSSGroup::CreateGroup(const QString &name)
{
    m_Name = name;
    m_Expanded = true;
    return true;
}

bool RSSGroup::DeleteChannel(const QString &url)
{
    int matches = 0;
    for (int i = 0; i < m_URLs.size(); ++i) {
        if (m_URLs[i] == url) {
            m_URLs[i] = m_URLs.last();
            ++matches;
        }
    }
    m_URLs.resize(m_URLs.size() - matches);
    return matches > 0;
}

void RSSGroup::AddChannel(const QString &url)
{
    if (!m_URLs.contains(url))
        m_URLs.append(url);
}

// ---- colGroups -------------------------------------------------------------------------------

colGroups::colGroups(QObject *parent) : QObject(parent)
{ }

colGroups::~colGroups() = default;

QString colGroups::FilePath() const
{
    return QDir(m_Folder).filePath(QStringLiteral("groups.xml"));
}

int colGroups::IndexOf(const QString &key) const
{
    for (size_t i = 0; i < m_Groups.size(); ++i) {
        if (m_Groups[i]->Name().compare(key, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void colGroups::Init(const QString &profileName)
{
    m_Folder = Include::AppPath() + QStringLiteral("/profiles/") + profileName;
    AddGroup(QStringLiteral("Tarnwick"));
    AddGroup(QStringLiteral("All Items"));
    AddGroup(QStringLiteral("Spotlight"));
    AssignChannel(QStringLiteral("Tarnwick"), Include::VendorNewsURL());
    AssignChannel(QStringLiteral("Tarnwick"), Include::VendorHelpURL());
    for (const char *filter :
        {"today", "yesterday", "week", "flagged", "unread", "read", "deleted"})
        AssignChannel(
            QStringLiteral("All Items"), QStringLiteral("_tarnwick/") + QLatin1String(filter));
    LoadXML();
}

void colGroups::LoadXML()
{
    // A missing file leaves the built-in groups alone; a damaged one is kept aside and what it
    // still holds is taken. Until the file has been read it is never written.
    m_Loaded = false;
    m_Reading = true;
    ModelText::LoadDocument(m_Document, FilePath(), this, [this](const xml::Document &doc) {
        const ModelText::Reading reading = ModelText::Examine(
            doc, FilePath(), tr("group list of profile \"%1\"").arg(QDir(m_Folder).dirName()));
        if (reading.document)
            Walk(reading.document->documentElement());
        m_LeaveFile = reading.leaveFile;
        m_Reading = false;
        for (const auto &[group, url] : std::exchange(m_EarlyAssignments, {})) {
            if (!group.trimmed().isEmpty())
                AddGroup(group);
            AssignChannel(group, url);
        }
        m_Loaded = true;
        emit GroupsLoaded();
    });
}

void colGroups::Walk(xml::Node node)
{
    if (!node.hasChildNodes())
        return;
    if (node.nodeName().toLower() != QLatin1String("group")) {
        for (xml::Node child = node.firstChild(); child; child = child.nextSibling())
            Walk(child);
        return;
    }
    auto group = std::make_unique<RSSGroup>();
    group->LoadGroup(node);
    if (group->Name().isEmpty())
        return; // a group without a name (a damaged file can leave one) cannot be shown
    for (const auto &existing : m_Groups) {
        if (existing->Name() == group->Name()) {
            existing->LoadGroup(node); // stored state and channels of a group already here
            return;
        }
    }
    if (IndexOf(group->Name()) >= 0)
        return; // the same name in another letter case: the list keeps the first
    m_Groups.push_back(std::move(group));
    emit NewGroup(m_Groups.back().get());
}

bool colGroups::SaveGroupXML()
{
    if (!m_Loaded || m_LeaveFile)
        return false; // what the file holds is not in yet, or it must stay as it is
    xml::Document doc;
    xml::Node root = doc.setDocumentElement(doc.createElement("tarnwickgroups"));
    for (const auto &group : m_Groups)
        root.appendChild(group->SaveXML(doc));
    QDir().mkpath(m_Folder);
    return doc.save(FilePath(), false);
}

bool colGroups::IsReserved(const QString &name)
{
    return name == QLatin1String("All Items") || name == QLatin1String("Spotlight")
        || name == QLatin1String("Tarnwick");
}

QString colGroups::NameProblem(const QString &name, const QString &renaming) const
{
    if (!renaming.isEmpty() && IsReserved(renaming))
        return tr("The group \"%1\" cannot be renamed.").arg(renaming);
    if (name.contains(QLatin1Char('|')))
        return tr("Group name contains invalid characters: |");
    const QString clean = name.trimmed();
    if (clean.isEmpty())
        return tr("Please enter a group name.");
    const RSSGroup *existing = Group(clean);
    if (existing && (renaming.isEmpty() || existing != Group(renaming)))
        return tr("A group named \"%1\" already exists.").arg(existing->Name());
    return QString();
}

RSSGroup *colGroups::Group(const QString &key) const
{
    const int i = IndexOf(key);
    return i >= 0 ? m_Groups[size_t(i)].get() : nullptr;
}

RSSGroup *colGroups::Group(int position) const
{
    return position >= 1 && position <= GroupCount() ? m_Groups[size_t(position - 1)].get()
                                                     : nullptr;
}

void colGroups::Rename(const QString &oldName, const QString &newName)
{
    // Renamed in place: the group keeps its position.
    for (const auto &group : m_Groups) {
        if (group->Name() == oldName) {
            group->Rename(newName);
            return;
        }
    }
    if (RSSGroup *group = Group(oldName))
        group->Rename(newName);
}

bool colGroups::AddGroup(const QString &name)
{
    // An existing name, in any letter case, is that group.
    if (IndexOf(name) >= 0)
        return true;
    auto group = std::make_unique<RSSGroup>();
    group->CreateGroup(name);
    m_Groups.push_back(std::move(group));
    emit NewGroup(m_Groups.back().get());
    return true;
}

void colGroups::AssignChannel(const QString &groupKey, const QString &url)
{
    if (m_Reading)
        m_EarlyAssignments.append({groupKey, url});
    RSSGroup *group = Group(groupKey);
    if (!group)
        return;
    group->AddChannel(url);
    emit NewChannel(group, url);
}

void colGroups::Remove(const QString &key)
{
    const int i = IndexOf(key);
    if (i >= 0)
        m_Groups.erase(m_Groups.begin() + i);
}

bool colGroups::IsInGroup(const QString &url) const
{
    for (const auto &group : m_Groups) {
        for (int i = 0; i < group->ChannelCount(); ++i) {
            if (group->ChannelURL(i) == url)
                return true;
        }
    }
    return false;
}
