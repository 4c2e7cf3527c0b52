#include "Classes.h"

void TPersistent::Assign(const TPersistent* source)
{
    if (source) {
        source->AssignTo(this);
        return;
    }
    throw EConvertError(QStringLiteral("Cannot assign a nil to a %1").arg(ClassName()));
}

void TPersistent::AssignTo(TPersistent* dest) const
{
    throw EConvertError(
        QStringLiteral("Cannot assign a %1 to a %2").arg(ClassName(), dest->ClassName()));
}

TComponent::TComponent(QObject* owner)
    : QObject(owner)
{
    if (auto* ownerComponent = qobject_cast<TComponent*>(owner)) {
        if (ownerComponent->m_state.testFlag(csDesigning))
            m_state |= csDesigning;
        ownerComponent->Notification(this, TOperation::opInsert);
    }
}

TComponent::~TComponent()
{
    m_state |= csDestroying;
    notifyRemoval();
}

void TComponent::notifyRemoval()
{
    // Clients may unsubscribe while being told; take the list first.
    const QList<TComponent*> clients = std::exchange(m_freeNotifies, {});
    for (TComponent* client : clients) {
        client->m_freeNotifies.removeAll(this);
        client->Notification(this, TOperation::opRemove);
    }
    if (auto* ownerComponent = qobject_cast<TComponent*>(parent());
        ownerComponent && !clients.contains(ownerComponent))
        ownerComponent->Notification(this, TOperation::opRemove);
}

void TComponent::FreeNotification(TComponent* client)
{
    if (!client || client == this)
        return;
    if (!m_freeNotifies.contains(client))
        m_freeNotifies.append(client);
    // Both sides forget each other when either goes.
    if (!client->m_freeNotifies.contains(this))
        client->m_freeNotifies.append(this);
}

void TComponent::RemoveFreeNotification(TComponent* client)
{
    if (!client)
        return;
    m_freeNotifies.removeAll(client);
    client->m_freeNotifies.removeAll(this);
}

void TComponent::BeginLoading()
{
    m_state |= csLoading | csReading;
}

void TComponent::EndLoading()
{
    m_state &= ~TComponentState(csLoading | csReading);
    Loaded();
}

void TComponent::SetDesigning(bool designing)
{
    m_state.setFlag(csDesigning, designing);
}

void TComponent::Notification(TComponent*, TOperation) { }

void TComponent::Loaded() { }
