#pragma once
// Where changes enter the constraint engine: a value from outside for one feature, the printer's
// default duplex when a record is defaulted, and the settings an application sets in the public
// part of the DEVMODE.

#include <cstdint>
#include <optional>
#include <span>

#include "abi/types.h"
#include "constraints/context.h"
#include "environment/public_devmode.h"

namespace zenta::constraints {

// One feature set from outside, in a context of its own: through its setter when it has one,
// else stored directly. The changed list tells every field that now differs, in change order.
struct FeatureChange {
    ChangedList changed;
    bool through_setter = false;
};
// With firings given, every rule that fired and every store of a shared step is noted there.
FeatureChange change_feature(settings::Record& record, FeatureId id, std::uint32_t value,
                             const Configuration* configuration, Firings* firings = nullptr);

// Gives a defaulted record the printer's default duplex, with everything that follows from it,
// unless the record came from the user interface (which has resolved its constraints already),
// the default is unknown, or the record has it already. True when the record was changed.
bool apply_default_duplex(settings::Record& record, std::optional<bool> printer_duplex);

// Applies what the public DEVMODE gave: every given value is pinned for the whole propagation,
// so no rule can change it back; then the paper, orientation, tray and resolution setters run.
// A given tray that the configuration does not offer is ignored. unchanged_bytes: the record's
// bytes as they are now, elsewhere and unchanged meanwhile, when the caller has them (the
// engine then takes no copy of its own).
void apply_public_settings(settings::Record& record, const environment::PublicSettingsRequest& request,
                           const Configuration* configuration, const std::uint8_t* unchanged_bytes = nullptr);
// The same, leaving the changed list with the caller (for reports).
void apply_public_settings(settings::Record& record, const environment::PublicSettingsRequest& request,
                           const Configuration* configuration, ChangedList& changed,
                           const std::uint8_t* unchanged_bytes = nullptr);

// Reads the public DEVMODE (the whole DEVMODE as bytes) into a request and applies it. True when
// it asked for another orientation, tray, paper size or resolution than the record held.
bool apply_devmode(std::span<const std::uint8_t> devmode, settings::Record& record, abi::HANDLE printer,
                   const std::uint8_t* unchanged_bytes = nullptr);

}  // namespace zenta::constraints
