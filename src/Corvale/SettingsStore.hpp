#pragma once

#include "CorvaleCore/Defaults.hpp"
#include "CorvaleCore/Json.hpp"
#include "CorvaleCore/SettingsFile.hpp"
#include "CorvaleCore/Subscribers.hpp"

#include <concepts>
#include <deque>
#include <exception>
#include <functional>
#include <string>
#include <utility>

namespace corvale {

// Keeps one settings value for the life of the process, persists it in the user defaults under
// one key as the model's compact JSON (the bare object, never the file's envelope), and
// publishes every assignment, so whoever follows the settings never has to ask.
//
// Loading: stored data that decodes becomes the value and is written back at once in the
// current encoding (keys it lacked appear with the values decoding gave them, keys the model no
// longer knows disappear). No data, or data that does not decode, gives the model's default and
// writes nothing: damaged data stays until the first change replaces it. Nothing is read again
// after that; the store is the one writer.
//
// Main thread only, like everything that writes settings.
template <class Model>
requires SettingsModel<Model> && std::equality_comparable<Model>
class SettingsStore {
public:
    explicit SettingsStore(std::string key) : SettingsStore(std::move(key), Defaults::standard()) {}

    SettingsStore(std::string key, Defaults defaults)
        : key_(std::move(key)), defaults_(std::move(defaults)) {
        load();
    }

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    const std::string& key() const { return key_; }
    const Defaults& defaults() const { return defaults_; }

    const Model& config() const { return config_; }

    // One assignment: the value is put in place, persisted if it differs from the one before (an
    // equal value writes nothing), and published to the value handlers, who find `config()`
    // already equal to what they are given. An
    // assignment made by a handler while values are being published is put in place at once and
    // published after the current round, so every handler sees every value, in order.
    void setConfig(Model value) {
        bool changed = !(value == config_);
        config_ = std::move(value);
        if (changed) {
            persist();
        }
        pending_.push_back(config_);
        if (publishing_) {
            return;
        }
        publishing_ = true;
        struct Done {
            SettingsStore& store;
            ~Done() {
                store.publishing_ = false;
                store.pending_.clear();
            }
        } done{*this};
        while (!pending_.empty()) {
            Model next = std::move(pending_.front());
            pending_.pop_front();
            values_.notify(next);
        }
    }

    // Changes a copy of the value and assigns it in one assignment.
    template <class Change>
    requires std::invocable<Change, Model&>
    void update(Change&& change) {
        Model next = config_;
        std::forward<Change>(change)(next);
        setConfig(std::move(next));
    }

    // Every value from now on: the current one at once, then each one assigned.
    Subscription subscribe(std::function<void(const Model&)> receive) {
        Subscription subscription = values_.add(receive);
        receive(config_);
        return subscription;
    }

private:
    void load() {
        std::optional<std::string> stored = defaults_.data(key_);
        if (!stored) {
            return;
        }
        try {
            config_ = json::decode<Model>(std::string_view(*stored));
        } catch (const std::exception&) {
            return;
        }
        try {
            std::string current = json::encodeCompact(json::encode(config_));
            if (current != *stored) {
                defaults_.set(key_, current);
            }
        } catch (const std::exception&) {
        }
    }

    void persist() const {
        std::string data;
        try {
            data = json::encodeCompact(json::encode(config_));
        } catch (const std::exception&) {
            return; // nothing is stored, and nothing to tell: the value in memory stands
        }
        defaults_.set(key_, data); // a write failure is logged there
    }

    std::string key_;
    Defaults defaults_;
    Model config_{};
    Subscribers<const Model&> values_;
    std::deque<Model> pending_;
    bool publishing_ = false;
};

} // namespace corvale
