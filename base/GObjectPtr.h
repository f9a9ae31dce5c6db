#pragma once

// The one way GObjects are owned here. Every GObject reference the code holds
// sits in a RefPtr, and each constructor says where the reference came from,
// so no call site adds or drops a reference by hand.

#include <glib-object.h>

#include <memory>
#include <utility>

namespace brivane {

template <typename T>
class RefPtr {
public:
    RefPtr() = default;
    RefPtr(std::nullptr_t) {}

    // Takes over a reference the caller owns (a `_new` or `(transfer full)` result).
    static RefPtr Adopt(T* object) { return RefPtr(object); }
    // Adds a reference to an object someone else owns (`(transfer none)`).
    static RefPtr Ref(T* object) { return RefPtr(object ? static_cast<T*>(g_object_ref(object)) : nullptr); }
    // Owns a new object that may start floating (widgets): sinks it or adds a reference.
    static RefPtr Sink(T* object) { return RefPtr(object ? static_cast<T*>(g_object_ref_sink(object)) : nullptr); }

    RefPtr(const RefPtr& other) : object_(other.object_ ? static_cast<T*>(g_object_ref(other.object_)) : nullptr) {}
    RefPtr(RefPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    RefPtr& operator=(RefPtr other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~RefPtr() { reset(); }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // Hands the reference to a `(transfer full)` parameter.
    [[nodiscard]] T* release() { return std::exchange(object_, nullptr); }
    void reset() {
        if (T* old = std::exchange(object_, nullptr)) g_object_unref(old);
    }

    friend bool operator==(const RefPtr& a, const RefPtr& b) { return a.object_ == b.object_; }

private:
    explicit RefPtr(T* object) : object_(object) {}
    T* object_ = nullptr;
};

// Receives a GError from a GLib call (`call(..., error.Out())`) and frees it.
class GErrorSlot {
public:
    GErrorSlot() = default;
    GErrorSlot(const GErrorSlot&) = delete;
    GErrorSlot& operator=(const GErrorSlot&) = delete;
    ~GErrorSlot() { Clear(); }

    GError** Out() {
        Clear();
        return &error_;
    }
    explicit operator bool() const { return error_ != nullptr; }
    const GError* operator->() const { return error_; }
    const char* Message() const { return error_ ? error_->message : ""; }

private:
    void Clear() {
        if (error_) g_error_free(std::exchange(error_, nullptr));
    }
    GError* error_ = nullptr;
};

// A signal handler that is disconnected when its owner goes, whichever of the
// owner and the emitting object goes first.
class SignalConnection {
public:
    SignalConnection() = default;
    SignalConnection(gpointer instance, const char* signal, GCallback callback, gpointer data,
                     GConnectFlags flags = GConnectFlags(0))
        : weak_(std::make_unique<GWeakRef>()),
          id_(g_signal_connect_data(instance, signal, callback, data, nullptr, flags)) {
        g_weak_ref_init(weak_.get(), instance);
    }
    SignalConnection(SignalConnection&& other) noexcept = default;
    SignalConnection& operator=(SignalConnection&& other) noexcept {
        if (this != &other) {
            Disconnect();
            weak_ = std::move(other.weak_);
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    ~SignalConnection() { Disconnect(); }

    void Disconnect() {
        if (!weak_) return;
        if (gpointer instance = g_weak_ref_get(weak_.get())) {
            if (id_ && g_signal_handler_is_connected(instance, id_)) g_signal_handler_disconnect(instance, id_);
            g_object_unref(instance);  // the reference g_weak_ref_get gave
        }
        g_weak_ref_clear(weak_.get());
        weak_.reset();
        id_ = 0;
    }

private:
    std::unique_ptr<GWeakRef> weak_;  // stable address: GWeakRef may not move
    gulong id_ = 0;
};

// Ties C++ state to an object's lifetime: the state is deleted when the object
// is finalized, whether or not a callback ever ran.
template <typename State>
State* AttachState(gpointer object, const char* key, std::unique_ptr<State> state) {
    State* raw = state.release();
    g_object_set_data_full(G_OBJECT(object), key, raw, [](gpointer p) { delete static_cast<State*>(p); });
    return raw;
}

}  // namespace brivane
