#pragma once

#include "TestSupport.h"
#include "clsItemBank.h"

#include <QSignalSpy>
#include <QTemporaryDir>

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
    xml::Node root() const { return bank.StoreDocument()->documentElement(); }
};

} // namespace testsupport
