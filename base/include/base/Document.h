#pragma once
#include "base/Log.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace liba {

// The process's one model object and the views that observe it. Derived is
// the application's document class; Hint is what views are told on update.
// A view registers itself with the document alive at its construction and
// leaves the list when destroyed.
template <class Derived, class Hint>
class Document {
public:
    class View {
    public:
        View() {
            if (instance_)
                instance_->register_view(this);
        }
        virtual ~View() {
            if (instance_)
                instance_->unregister_view(this);
        }
        View(const View&) = delete;
        View& operator=(const View&) = delete;
        virtual void update(const Hint&) {}
    };

    static Derived* instance() { return instance_; }

    void register_view(View* view) { views_.push_back({view, ++registrations_}); }
    void unregister_view(View* view) {
        std::erase_if(views_, [view](const Registration& entry) { return entry.view == view; });
    }
    // Every view registered now, in registration order; an update may run a
    // modal screen that builds or destroys views, so a copy is walked and a
    // view gone meanwhile is skipped. Registrations are told apart by their
    // number: a new view may take the address of one just destroyed.
    void notify_views(const Hint& hint) {
        const std::vector<Registration> snapshot = views_;
        for (const Registration& entry : snapshot)
            if (std::find(views_.begin(), views_.end(), entry) != views_.end())
                entry.view->update(hint);
    }
    std::vector<View*> views() const {
        std::vector<View*> list;
        for (const Registration& entry : views_)
            list.push_back(entry.view);
        return list;
    }

protected:
    Document() {
        if (instance_)
            report_error(L"Singleton::Singleton()", L"Singleton is already instantiated");
        instance_ = static_cast<Derived*>(this);
    }
    ~Document() { instance_ = nullptr; }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

private:
    struct Registration {
        View* view = nullptr;
        uint64_t number = 0;
        bool operator==(const Registration&) const = default;
    };

    static inline Derived* instance_ = nullptr;
    std::vector<Registration> views_;
    uint64_t registrations_ = 0;
};

} // namespace liba
