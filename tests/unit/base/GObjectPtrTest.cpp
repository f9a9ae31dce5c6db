#include "base/GObjectPtr.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace brivane {
namespace {

// Counts references through the public field; finalization is seen through a weak pointer.
struct Probe {
    GObject* object;
    bool finalized = false;
    explicit Probe(GObject* o) : object(o) {
        g_object_weak_ref(
            object, [](gpointer data, GObject*) { static_cast<Probe*>(data)->finalized = true; }, this);
    }
    guint Refs() const { return finalized ? 0 : object->ref_count; }
};

GObject* NewFloating() { return G_OBJECT(g_object_new(G_TYPE_INITIALLY_UNOWNED, nullptr)); }
GObject* NewPlain() { return G_OBJECT(g_object_new(G_TYPE_OBJECT, nullptr)); }

TEST(RefPtr, EachWayInTakesTheReferenceItSays) {
    const struct {
        const char* name;
        GObject* (*make)();
        RefPtr<GObject> (*take)(GObject*);
        guint refsHeld;  // 2: the caller still holds its own reference
    } cases[] = {
        {"adopt a new object", NewPlain, RefPtr<GObject>::Adopt, 1},
        {"ref a borrowed object", NewPlain, RefPtr<GObject>::Ref, 2},
        {"sink a floating object", NewFloating, RefPtr<GObject>::Sink, 1},
        {"sink an object that is not floating", NewPlain, RefPtr<GObject>::Sink, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GObject* object = c.make();
        Probe probe(object);
        {
            RefPtr<GObject> held = c.take(object);
            EXPECT_EQ(probe.Refs(), c.refsHeld);
            EXPECT_FALSE(g_object_is_floating(object));
        }
        EXPECT_EQ(probe.finalized, c.refsHeld == 1);
        if (!probe.finalized) g_object_unref(object);  // the test's own reference, the last
        EXPECT_TRUE(probe.finalized);
    }
}

TEST(RefPtr, CopiesShareMovesTransferAndReleaseHandsTheReferenceOn) {
    GObject* object = NewPlain();
    Probe probe(object);
    auto a = RefPtr<GObject>::Adopt(object);
    RefPtr<GObject> b = a;
    EXPECT_EQ(probe.Refs(), 2u);
    RefPtr<GObject> c = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(probe.Refs(), 2u);
    b = c;  // both already point at it: the count stays
    EXPECT_EQ(probe.Refs(), 2u);
    b.reset();
    auto again = RefPtr<GObject>::Adopt(c.release());
    EXPECT_FALSE(c);
    EXPECT_EQ(probe.Refs(), 1u);
    again = nullptr;
    EXPECT_TRUE(probe.finalized);
}

TEST(GErrorSlot, FreesWhatTheCallLeftAndReadsEmptyOtherwise) {
    GErrorSlot error;
    EXPECT_FALSE(error);
    EXPECT_STREQ(error.Message(), "");
    g_set_error_literal(error.Out(), G_FILE_ERROR, G_FILE_ERROR_NOENT, "first");
    EXPECT_STREQ(error.Message(), "first");
    // A second use frees the first error before the call may set another.
    g_set_error_literal(error.Out(), G_FILE_ERROR, G_FILE_ERROR_NOENT, "second");
    EXPECT_STREQ(error.Message(), "second");
}

TEST(SignalConnection, DisconnectsWithItsOwnerWhicheverGoesFirst) {
    int calls = 0;
    const auto notify = G_CALLBACK(+[](GObject*, GParamSpec*, gpointer n) { ++*static_cast<int*>(n); });
    auto object = RefPtr<GObject>::Adopt(G_OBJECT(g_object_new(G_TYPE_APPLICATION, nullptr)));
    {
        SignalConnection connection(object.get(), "notify", notify, &calls);
        g_object_notify(object.get(), "application-id");
        EXPECT_EQ(calls, 1);
    }
    g_object_notify(object.get(), "application-id");
    EXPECT_EQ(calls, 1);

    // The object goes first: the connection's later end must not touch it.
    auto moved = std::make_unique<SignalConnection>(object.get(), "notify", notify, &calls);
    SignalConnection owner = std::move(*moved);
    moved.reset();
    g_object_notify(object.get(), "application-id");
    EXPECT_EQ(calls, 2);
    object.reset();
    owner.Disconnect();
}

TEST(AttachState, StateGoesWithTheObjectEvenWithoutACallback) {
    auto alive = std::make_shared<int>(7);
    std::weak_ptr<int> watch = alive;
    auto object = RefPtr<GObject>::Adopt(NewPlain());
    AttachState(object.get(), "state", std::make_unique<std::shared_ptr<int>>(std::move(alive)));
    EXPECT_FALSE(watch.expired());
    object.reset();
    EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace brivane
