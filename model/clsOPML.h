#pragma once

#include "XmlDocument.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <memory>

// Reads an OPML file (a local path or a web address) into a flat list of entries: address,
// title and a number ("count"). LoadOPML waits, with the event loop running, until the document
// is read or 25 s have passed, and reports by FileLoaded or FileTimout before it returns.
// Entries of an earlier load on the same reader stay in front of the new ones.
class clsOPML : public QObject
{
    Q_OBJECT

public:
    static constexpr int kWaitMs = 25000;

    explicit clsOPML(QObject *parent = nullptr);
    ~clsOPML() override;

    void LoadOPML(const QString &path);
    // Ends every running wait at once, as if its time had run out (the program is ending).
    static void EndWaits();
    int GetCount() const { return int(m_Entries.size()); }
    qint32 GetExpire(int index) const { return m_Entries.value(index).expire; }
    QString GetURL(int index) const { return m_Entries.value(index).url; }
    QString GetTitle(int index) const { return m_Entries.value(index).title; }
    QString Title() const { return m_Title; }
    // Whether the last load read a document (a file that did not parse, or could not be had,
    // still ends in FileLoaded, with no entries).
    bool Parsed() const { return m_Parsed; }
    // Tests shorten the wait.
    void SetWait(int ms) { m_WaitMs = ms; }
    // A read the program makes on its own (not a file the user chose): a document that cannot
    // be had or read is a line in the log, not a message on the desktop.
    void SetQuiet(bool quiet) { m_Quiet = quiet; }

signals:
    void FileLoaded();
    void FileTimout();
    // In-process only: the document of the running load is complete (read or not).
    void loadEnded();

private:
    struct Entry
    {
        QString url;
        QString title;
        qint32 expire = 0;
    };
    void DocumentComplete(xml::Document *doc);
    void Walk(xml::Node node);

    QString m_Path;
    QString m_Title;
    QString m_FetchError; // why the transfer of the running load failed, if it did
    QVector<Entry> m_Entries;
    bool m_Loading = false;
    bool m_Parsed = false;
    bool m_Quiet = false;
    quint64 m_Load = 0;
    int m_WaitMs = kWaitMs;
};
