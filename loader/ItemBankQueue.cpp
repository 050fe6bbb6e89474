// The fetch queue: slots, three loaders, pacing and time-outs.
#include "clsItemBank.h"

#include "LoaderLog.h"

#include <malloc.h>

void clsItemBank::LoadChannel(const QString &sURL, const QString &sLastMod, const QString &sTitle,
    qint32 lExpire, const QString &sPubDate, const QString &sETag)
{
    // Nothing to fetch (no address, or a bank never set up): the request ends at once, with
    // the one report every request gets.
    if (sURL.isEmpty() || !m_Initialized) {
        emit ChannelTimeOut(sURL, QStringLiteral("no address to fetch"));
        return;
    }
    auto fill = [&](QueueSlot &slot) {
        slot.sLastMod = sLastMod;
        slot.sETag = sETag;
        slot.sURL = sURL;
        slot.lExpire = lExpire;
        slot.sTitle = sTitle;
        slot.sPubDate = sPubDate;
        slot.bNewItems = false;
    };
    for (QueueSlot &slot : m_Slots) {
        if (slot.sURL == sURL) {
            fill(slot); // waiting or in fetch: refreshed, nothing restarted
            return;
        }
    }
    auto free = std::find_if(
        m_Slots.begin(), m_Slots.end(), [](const QueueSlot &s) { return s.sURL.isEmpty(); });
    if (free == m_Slots.end()) {
        m_Slots.emplace_back();
        free = std::prev(m_Slots.end());
    }
    fill(*free);
    if (!m_Paused && m_Queue) {
        m_Queue->setInterval(kPacingMs);
        m_Queue->setEnabled(true);
    }
}

void clsItemBank::PauseQueue()
{
    if (m_Queue)
        m_Queue->setEnabled(false);
    m_Paused = true;
}

void clsItemBank::ResumeQueue()
{
    // Requests made while paused never set the pacing interval; without it they would wait
    // until some later request came.
    const bool waiting = std::any_of(
        m_Slots.begin(), m_Slots.end(), [](const QueueSlot &s) { return !s.sURL.isEmpty(); });
    if (m_Queue && waiting && m_Queue->Interval() == 0)
        m_Queue->setInterval(kPacingMs);
    if (m_Queue)
        m_Queue->setEnabled(true);
    m_Paused = false;
}

void clsItemBank::m_Queue_OnTimer()
{
    // Only the first idle loader, in the order 0, 1, 2, looks for work; slots are served by
    // index.
    const auto idle = std::find(m_Busy.begin(), m_Busy.end(), false);
    if (idle != m_Busy.end()) {
        const int k = int(idle - m_Busy.begin());
        if (m_TimeOut[k])
            m_TimeOut[k]->setEnabled(false);
        for (int i = 0; i < int(m_Slots.size()); ++i) {
            if (m_Slots[i].sURL.isEmpty())
                continue;
            bool held = false;
            for (int other = 0; other < kLoaders; ++other)
                held = held || (other != k && m_Busy[other] && m_SlotOf[other] == i);
            if (!held) {
                StartFetch(k, i);
                return;
            }
        }
    }
    if (std::none_of(m_Busy.begin(), m_Busy.end(), [](bool b) { return b; })) {
        // Nothing to start and nothing running: the queue has run empty.
        if (m_Queue)
            m_Queue->setEnabled(false);
        SaveIt();
    }
}

void clsItemBank::StartFetch(int k, int slot)
{
    m_Busy[k] = true;
    m_SlotOf[k] = slot;
    // A fresh loader for every fetch; the old one's late reports go nowhere.
    if (m_URLLoader[k])
        m_URLLoader[k]->deleteLater();
    CTarnLoader *loader = new CTarnLoader(this);
    m_URLLoader[k] = loader;
    connect(loader, &CTarnLoader::XMLReadyStateChange, this,
        [this, k, loader](const QByteArray &XDoc, const QString &sNewMod) {
            if (m_URLLoader[k] != loader)
                return;
            if (XDoc.isEmpty() && m_Busy[k])
                qCInfo(lcBank).noquote()
                    << m_Slots[m_SlotOf[k]].sURL << "could not be used:" << loader->Error();
            URLLoader_XMLReadyStateChange(k, XDoc, sNewMod, loader->ETag());
        });
    connect(loader, &CTarnLoader::NoFileChange, this, [this, k, loader] {
        if (m_URLLoader[k] == loader)
            URLLoader_NoFileChange(k);
    });
    const QueueSlot &s = m_Slots[slot];
    loader->LoadURL(s.sURL, FetchStamp(s), m_XSLFile, FetchETag(s));
    if (m_TimeOut[k]) {
        m_TimeOut[k]->setInterval(kFetchTimeOutMs);
        m_TimeOut[k]->setEnabled(true);
    }
}

QString clsItemBank::FetchStamp(const QueueSlot &slot) const
{
    if (m_StampsVoid && !m_FetchedInFull.contains(slot.sURL))
        return QStringLiteral("-1"); // unknown: the HEAD answer can never match it
    return slot.sLastMod;
}

QString clsItemBank::FetchETag(const QueueSlot &slot) const
{
    if (m_StampsVoid && !m_FetchedInFull.contains(slot.sURL))
        return QString(); // "not modified" would keep items this store does not have
    return slot.sETag;
}

void clsItemBank::EndFetch(int k)
{
    m_Busy[k] = false;
    m_Slots[m_SlotOf[k]].sURL.clear();
}

void clsItemBank::URLLoader_XMLReadyStateChange(
    int k, const QByteArray &XDoc, const QString &sNewMod, const QString &sNewETag)
{
    if (m_TimeOut[k])
        m_TimeOut[k]->setEnabled(false);
    if (!m_Busy[k])
        return; // the fetch already timed out
    MergeDelivered(m_Slots[m_SlotOf[k]], XDoc, sNewMod,
        m_URLLoader[k] ? m_URLLoader[k]->Error() : QString(), sNewETag);
    EndFetch(k);
    // A large document leaves much freed memory behind: it goes back to the system.
    if (XDoc.size() > kTrimAfterBytes)
        malloc_trim(0);
}

void clsItemBank::URLLoader_NoFileChange(int k)
{
    if (m_TimeOut[k])
        m_TimeOut[k]->setEnabled(false);
    if (!m_Busy[k])
        return;
    // The fetch has ended before it is reported: whatever arrives while the report is handled
    // belongs to no request.
    const QueueSlot slot = m_Slots[m_SlotOf[k]];
    EndFetch(k);
    emit ChannelLoaded(slot.sURL, false, slot.sLastMod);
}

void clsItemBank::m_TimeOut_OnTimer(int k)
{
    if (m_TimeOut[k])
        m_TimeOut[k]->setEnabled(false);
    if (!m_Busy[k])
        return;
    const QString url = m_Slots[m_SlotOf[k]].sURL;
    qCInfo(lcBank).noquote() << url << "gave no answer within" << kFetchTimeOutMs / 1000.0 << "s";
    EndFetch(k);
    // The fetch is given up: its transfer ends too, and nothing it might still deliver is
    // merged or reported.
    if (m_URLLoader[k]) {
        m_URLLoader[k]->disconnect(this);
        m_URLLoader[k]->deleteLater();
        m_URLLoader[k].clear();
    }
    emit ChannelTimeOut(
        url, QStringLiteral("no answer within %1 seconds").arg(kFetchTimeOutMs / 1000));
}

void clsItemBank::DropLoaders()
{
    for (auto &loader : m_URLLoader) {
        if (loader) {
            loader->disconnect(this);
            loader->deleteLater();
        }
        loader.clear();
    }
}
