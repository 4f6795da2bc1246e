#pragma once
#include "base/Log.h"

#include <algorithm>
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

    void register_view(View* view) { views_.push_back(view); }
    void unregister_view(View* view) { std::erase(views_, view); }
    // Every view registered now, in registration order; an update may run a
    // modal screen that builds or destroys views, so a copy is walked and a
    // view gone meanwhile is skipped.
    void notify_views(const Hint& hint) {
        const std::vector<View*> snapshot = views_;
        for (View* view : snapshot)
            if (std::find(views_.begin(), views_.end(), view) != views_.end())
                view->update(hint);
    }
    const std::vector<View*>& views() const { return views_; }

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
    static inline Derived* instance_ = nullptr;
    std::vector<View*> views_;
};

} // namespace liba
