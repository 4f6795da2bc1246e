#pragma once
#include "base/Thread.h"

namespace audio {

template <class T> class Consumer;

// A stage that can be asked for data (pull) and that hands data on to its consumer (push).
template <class T> class Provider {
public:
    Provider() = default;
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
    virtual ~Provider();

    // count is in the provider's unit (sample frames for PCM); the answer may be shorter, and is
    // empty at the end of the data.
    virtual void get_data(T& out, int count) = 0;

    // Push side: hands the block to the linked consumer under that consumer's link lock.
    void deliver(const T& block);

    Consumer<T>* consumer = nullptr;
};

// A stage that is handed data (push) and can ask its provider for data (pull).
template <class T> class Consumer {
public:
    Consumer() = default;
    Consumer(const Consumer&) = delete;
    Consumer& operator=(const Consumer&) = delete;

    virtual void on_data(const T&) {}
    virtual ~Consumer();

    // Pull side: asks the linked provider; empty with none linked.
    void pull(T& out, int count) {
        liba::MutexLock lock(link_lock);
        if (provider)
            provider->get_data(out, count);
        else
            out = T();
    }

    Provider<T>* provider = nullptr;
    liba::Mutex link_lock;
};

template <class T, class U> class Processor : public Consumer<T>, public Provider<U> {};

// Links provider to consumer, first undoing the provider's old link and the consumer's old
// provider, so neither side is ever left pointing at a stage that moved on; (p, nullptr) unlinks.
template <class T> void connect(Provider<T>* provider, Consumer<T>* consumer) {
    if (provider && provider->consumer) {
        Consumer<T>* old = provider->consumer;
        liba::MutexLock lock(old->link_lock);
        old->provider = nullptr;
        provider->consumer = nullptr;
    }
    if (consumer) {
        liba::MutexLock lock(consumer->link_lock);
        if (consumer->provider) consumer->provider->consumer = nullptr;
        consumer->provider = provider;
        if (provider) provider->consumer = consumer;
    }
}

template <class T> Provider<T>::~Provider() {
    if (Consumer<T>* c = consumer) {
        liba::MutexLock lock(c->link_lock);
        c->provider = nullptr;
        consumer = nullptr;
    }
}

template <class T> void Provider<T>::deliver(const T& block) {
    if (Consumer<T>* c = consumer) {
        liba::MutexLock lock(c->link_lock);
        c->on_data(block);
    }
}

template <class T> Consumer<T>::~Consumer() {
    liba::MutexLock lock(link_lock);
    if (provider) provider->consumer = nullptr;
    provider = nullptr;
}

} // namespace audio
