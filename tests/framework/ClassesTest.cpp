#include "Classes.h"

#include <gtest/gtest.h>

namespace {

class Watcher : public TComponent
{
public:
    using TComponent::TComponent;
    QList<QPair<TComponent*, TOperation>> seen;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        seen.append({ component, operation });
    }
};

} // namespace

TEST(TComponent, OwnerFreesWhatItOwnsAndHearsAboutIt)
{
    auto* owner = new Watcher();
    auto* child = new TComponent(owner);
    ASSERT_EQ(owner->seen.size(), 1);
    EXPECT_EQ(owner->seen.at(0).first, child);
    EXPECT_EQ(owner->seen.at(0).second, TOperation::opInsert);

    delete child;
    ASSERT_EQ(owner->seen.size(), 2);
    EXPECT_EQ(owner->seen.at(1).second, TOperation::opRemove);

    bool destroyed = false;
    auto* second = new TComponent(owner);
    QObject::connect(second, &QObject::destroyed, [&] { destroyed = true; });
    delete owner;
    EXPECT_TRUE(destroyed);
}

TEST(TComponent, FreeNotificationReachesClientsOnceAndIsForgottenBothWays)
{
    Watcher client;
    {
        TComponent target;
        target.FreeNotification(&client);
        target.FreeNotification(&client);
    }
    ASSERT_EQ(client.seen.size(), 1);
    EXPECT_EQ(client.seen.at(0).second, TOperation::opRemove);

    // A client that goes first is no longer told anything.
    auto* target = new Watcher();
    {
        Watcher shortLived;
        target->FreeNotification(&shortLived);
    }
    delete target; // must not touch the destroyed client
    SUCCEED();
}

TEST(TPersistent, AssignBetweenUnrelatedKindsFails)
{
    TPersistent a;
    TPersistent b;
    EXPECT_THROW(a.Assign(&b), EConvertError);
    EXPECT_THROW(a.Assign(nullptr), EConvertError);
}
