#include "web/WorkspaceLock.h"

#include <map>

namespace brivane::web {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::weak_ptr<std::mutex>> locks;
    std::map<std::string, int> users;
};

Registry& Shared() {
    static Registry* registry = new Registry;  // never destroyed: workers may outlive main()
    return *registry;
}

std::shared_ptr<std::mutex> MutexFor(const std::string& key) {
    Registry& r = Shared();
    std::lock_guard guard(r.mutex);
    auto& slot = r.locks[key];
    auto mutex = slot.lock();
    if (!mutex) slot = mutex = std::make_shared<std::mutex>();
    return mutex;
}

// The workspace's URL ends in "/" only once the directory exists.
std::string KeyOf(std::string url) {
    while (url.size() > 1 && url.back() == '/') url.pop_back();
    return url;
}

}  // namespace

WorkspaceLock::WorkspaceLock(const std::string& workspaceUrl)
    : key_(KeyOf(workspaceUrl)), mutex_(MutexFor(key_)), held_(*mutex_) {}

WorkspaceLock::~WorkspaceLock() {
    held_.unlock();
    Registry& r = Shared();
    std::lock_guard guard(r.mutex);
    mutex_.reset();
    if (auto found = r.locks.find(key_); found != r.locks.end() && found->second.expired()) r.locks.erase(found);
}

std::shared_ptr<void> WorkspaceLock::MarkInUse() {
    Registry& r = Shared();
    {
        std::lock_guard guard(r.mutex);
        ++r.users[key_];
    }
    return std::shared_ptr<void>(nullptr, [key = key_](void*) {
        Registry& r = Shared();
        std::lock_guard guard(r.mutex);
        if (--r.users[key] <= 0) r.users.erase(key);
    });
}

bool WorkspaceLock::InUse() const {
    Registry& r = Shared();
    std::lock_guard guard(r.mutex);
    auto found = r.users.find(key_);
    return found != r.users.end() && found->second > 0;
}

}  // namespace brivane::web
