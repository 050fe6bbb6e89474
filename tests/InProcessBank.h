#pragma once

// Item banks kept in the test's own process, behind the same proxy the program uses: model and
// window tests get their banks without a server to start, wait for or leave behind. The tests
// about the server itself, and the user-road suite, keep the real one.
#include "BankOperations.h"
#include "ItemBankProxy.h"
#include "clsItemBank.h"

#include <map>
#include <memory>

class InProcessBankLink : public BankLink
{
public:
    ~InProcessBankLink() override
    {
        for (auto &[id, bank] : m_Banks)
            Release(id);
    }

    std::optional<IpcMessage> Request(const IpcMessage &call) override
    {
        IpcMessage reply;
        if (call.bank == 0 && call.name == QLatin1String("CreateBank")) {
            const quint32 id = ++m_Next;
            auto bank = std::make_unique<clsItemBank>();
            BankOperations::ForwardEvents(
                bank.get(), this, [this, id](const char *name, const QVariantList &args, bool) {
                    IpcMessage event;
                    event.kind = IpcMessage::Event;
                    event.bank = id;
                    event.name = QLatin1String(name);
                    event.args = args;
                    Deliver(event);
                });
            m_Banks[id] = {std::move(bank), false};
            reply.result = qint32(id);
            return reply;
        }
        if (call.bank == 0 && call.name == QLatin1String("ReleaseBank") && call.args.size() == 1) {
            const quint32 id = quint32(call.args[0].toInt());
            Release(id);
            m_Banks.erase(id);
            return reply;
        }
        const auto bank = m_Banks.find(call.bank);
        const auto op = BankOperations::Table().constFind(call.name);
        if (bank == m_Banks.end() || op == BankOperations::Table().cend()
            || !BankOperations::ArgumentsFit(op->types, call.args)) {
            reply.ok = false;
            reply.error = QStringLiteral("no such bank or operation: ") + call.name;
            return reply;
        }
        if (call.name == QLatin1String("UnloadMe"))
            bank->second.unloaded = true;
        reply.result = op->run(*bank->second.bank, call.args);
        return reply;
    }

    bool IsConnected() const override { return true; }

private:
    struct Bank
    {
        std::unique_ptr<clsItemBank> bank;
        bool unloaded;
    };

    // As the server does: a bank its client lets go of is unloaded (its store written) first.
    void Release(quint32 id)
    {
        const auto bank = m_Banks.find(id);
        if (bank == m_Banks.end() || !bank->second.bank)
            return;
        bank->second.bank->disconnect(this);
        if (!bank->second.unloaded)
            bank->second.bank->UnloadMe();
        bank->second.unloaded = true;
    }

    std::map<quint32, Bank> m_Banks;
    quint32 m_Next = 0;
};

namespace testsupport {

// Every bank this process makes from now on lives in it (one link, shared while in use).
inline void useInProcessBank()
{
    ItemBankProxy::UseLink([] {
        static std::weak_ptr<InProcessBankLink> current;
        std::shared_ptr<InProcessBankLink> link = current.lock();
        if (!link) {
            link = std::make_shared<InProcessBankLink>();
            current = link;
        }
        return std::static_pointer_cast<BankLink>(link);
    });
}

} // namespace testsupport
