#pragma once

#include "TestSupport.h"
#include "clsItemBank.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace testsupport {

// A bank on a fresh profile folder, started empty or on the given store text.
struct StoreBank
{
    QTemporaryDir dir;
    clsItemBank bank;
    explicit StoreBank(const QByteArray &storeText = QByteArray(), const QString &xsl = QString())
    {
        if (!storeText.isNull())
            writeFile(dir.filePath("items.xml"), storeText);
        QSignalSpy ready(&bank, &clsItemBank::StoreReady);
        bank.Init(dir.path(), xsl);
        if (!bank.IsStoreReady())
            ready.wait(5000);
    }
    // The store's root as it is now (each call reads the store again; earlier ones stay
    // valid as they were).
    xml::Node root() const
    {
        snapshots.push_back(bank.StoreSnapshot());
        return snapshots.back()->documentElement();
    }
    mutable std::vector<std::unique_ptr<xml::Document>> snapshots;
};

// An item list as the tree-held store gave it: copies of the items under "items".
inline QString TreeList(const std::vector<xml::Node> &items)
{
    xml::Document list;
    xml::Node root = list.setDocumentElement(list.createElement("items"));
    for (const xml::Node &item : items)
        root.appendChild(item.cloneInto(list));
    return list.xml();
}

} // namespace testsupport
