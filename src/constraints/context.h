#pragma once
// The propagation context: one per change that reaches the record from outside. It holds the
// record being changed, the chain of setters in progress (the visited list, used as a stack),
// the caller's list of fields that now differ from the record as it was when the change arrived,
// that snapshot, and the printer's configuration when it is known.
//
// A field is identified by its address inside the record.

#include <cstdint>
#include <cstddef>
#include <memory>
#include <memory_resource>
#include <string_view>
#include <utility>
#include <vector>

#include "environment/printer_data.h"
#include "settings/record.h"

namespace zenta::constraints {

using features::FeatureId;

// The printer's configuration as the rules see it: the installable options block. Rules that
// depend on the printer are skipped when it is absent (null).
using Configuration = environment::InstallableOptions;

using FieldAddress = const std::uint8_t*;
// A list that the engine's callers may keep in a buffer of their own (see StackList): a change
// while a page prints touches a handful of fields and should not need the heap.
using ChangedList = std::pmr::vector<FieldAddress>;

// A list of field addresses whose first N elements live in the object itself; more go to the
// heap.
template <std::size_t N>
class StackList {
public:
    StackList() { list_.reserve(N); }
    StackList(const StackList&) = delete;
    StackList& operator=(const StackList&) = delete;
    std::pmr::vector<FieldAddress>& list() { return list_; }
    const std::pmr::vector<FieldAddress>& list() const { return list_; }

private:
    alignas(FieldAddress) std::byte buffer_[N * sizeof(FieldAddress) + 64];
    std::pmr::monotonic_buffer_resource resource_{buffer_, sizeof buffer_};
    std::pmr::vector<FieldAddress> list_{&resource_};
};

// Why fields changed: noted only while a caller asks (explanations are not free, and nobody
// asks while a job prints). A rule that fires notes its target; a shared step of a setter (the
// common pass, the paper source check, the page exception check) notes every field it stores.
struct Firing {
    enum class Kind : std::uint8_t { Rule, CommonPass, PaperSourceCheck, PageCheck };
    Kind kind = Kind::Rule;
    std::uint32_t rule = 0;  // the rule's number, for Kind::Rule
    FeatureId source{};      // the feature whose setter fired the rule or ran the step
    std::uint32_t source_value = 0;
    FeatureId target{};
};
using Firings = std::vector<Firing>;

class Context {
public:
    // Setter chains are rarely deeper than this.
    static constexpr std::size_t kTypicalDepth = 32;

    // Takes the snapshot: a copy of the record, or, when the caller has the record's bytes as
    // they are now somewhere that stays unchanged for the context's life, those bytes. The
    // changed list stays the caller's.
    Context(settings::Record& record, ChangedList& changed, const Configuration* configuration,
            const std::uint8_t* unchanged_bytes = nullptr);
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    settings::Record& record() { return record_; }
    const settings::Record& record() const { return record_; }
    const Configuration* configuration() const { return configuration_; }
    ChangedList& changed() { return changed_; }
    const std::pmr::vector<FieldAddress>& visited() const { return visited_.list(); }
    // Where firings are noted; null (the default) notes nothing.
    Firings* firings() const { return firings_; }
    void note_firings_in(Firings* firings) { firings_ = firings; }
    // While firings are noted: the shared step now running (kind Rule: none), whose stores are
    // noted as its firings. Returns the step it replaces.
    Firing begin_step(Firing step) { return std::exchange(step_, step); }
    void end_step(Firing previous) { step_ = previous; }

    FieldAddress address(FeatureId id) const { return record_.data() + features::feature(id).offset; }
    // Whether the feature's setter is active on the current chain, or the feature is pinned.
    bool on_path(FeatureId id) const;
    // Puts the feature on the path (a setter's first step, or pinning a given value).
    void enter(FeatureId id) { visited_.list().push_back(address(id)); }
    // Takes the last element off the path (a setter's last step).
    void leave() { visited_.list().pop_back(); }

    // Brings the changed list up to date for one field: listed when it differs from the
    // snapshot, every occurrence removed when it equals it.
    void note(FeatureId id);
    // The same for a text compared as text: up to its first zero byte, a field without one
    // counting as different.
    void note_text(FeatureId id);
    // A direct store: the value (truncated to the field's width, big-endian) and the changed
    // list; no rules run and the path is untouched.
    void store(FeatureId id, std::uint32_t value) {
        record_.set_raw(id, value);
        note(id);
    }
    void store_text(FeatureId id, std::string_view text) {
        record_.set_text(id, text);
        note_text(id);
    }
    // Current value of a selection or range, as stored.
    std::uint32_t value(FeatureId id) const { return record_.raw(id); }

private:
    void mark_changed(FieldAddress field, bool differs);
    void note_step_store(FeatureId id) {
        if (step_.kind == Firing::Kind::Rule) return;
        Firing firing = step_;
        firing.target = id;
        firings_->push_back(firing);
    }

    settings::Record& record_;
    ChangedList& changed_;
    const Configuration* configuration_;
    std::unique_ptr<const settings::Record> owned_snapshot_;
    const std::uint8_t* snapshot_;
    StackList<kTypicalDepth> visited_;
    Firings* firings_ = nullptr;
    Firing step_;
};

// The feature whose field starts at an address of the record, for reports.
FeatureId feature_at(const settings::Record& record, FieldAddress field);

// The changed list without repeats, first occurrence first.
std::vector<FeatureId> changed_features(const settings::Record& record, const ChangedList& changed);

}  // namespace zenta::constraints
