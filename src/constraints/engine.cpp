#include "constraints/engine.h"

#include "constraints/setters.h"

namespace zenta::constraints {

namespace {

using enum FeatureId;

constexpr std::uint32_t kCoreDataFromUserInterface = 1;

}  // namespace

FeatureChange change_feature(settings::Record& record, FeatureId id, std::uint32_t value,
                             const Configuration* configuration, Firings* firings) {
    FeatureChange change;
    Context context(record, change.changed, configuration);
    context.note_firings_in(firings);
    change.through_setter = set_feature(context, id, value);
    return change;
}

bool apply_default_duplex(settings::Record& record, std::optional<bool> printer_duplex) {
    if (record.raw(CoreDataLoadedFromPdUi) == kCoreDataFromUserInterface) return false;
    if (!printer_duplex) return false;
    const std::uint32_t duplex = *printer_duplex ? 1 : 0;
    if (record.raw(Duplex) == duplex) return false;

    ChangedList changed;
    Context context(record, changed, nullptr);
    // Duplex stays on the path for the whole propagation: no rule can turn it back.
    context.enter(Duplex);
    changed.push_back(context.address(Duplex));
    record.set_raw(Duplex, duplex);
    set_feature(context, Duplex, duplex);
    return true;
}

void apply_public_settings(settings::Record& record, const environment::PublicSettingsRequest& request,
                           const Configuration* configuration, const std::uint8_t* unchanged_bytes) {
    StackList<16> changed;
    apply_public_settings(record, request, configuration, changed.list(), unchanged_bytes);
}

void apply_public_settings(settings::Record& record, const environment::PublicSettingsRequest& request,
                           const Configuration* configuration, ChangedList& changed,
                           const std::uint8_t* unchanged_bytes) {
    Context context(record, changed, configuration, unchanged_bytes);

    auto pin = [&](FeatureId id, std::uint32_t value) {
        record.set_raw(id, value);
        context.enter(id);
        changed.push_back(context.address(id));
    };
    auto store_again = [&](FeatureId id, const auto& value) {
        if (value) context.store(id, *value);
    };

    const std::uint32_t slot = request.input_slot.value_or(0);
    const bool slot_given =
        request.input_slot && (!configuration || environment::tray_available(slot, *configuration));

    if (request.paper_name) {
        record.set_text(PageSizeName, *request.paper_name);
        context.enter(PageSizeName);
        changed.push_back(context.address(PageSizeName));
    }
    if (request.page_size_type) pin(PageSizeType, *request.page_size_type);
    if (request.width) pin(CustomPageSizeWidth, *request.width);
    if (request.length) pin(CustomPageSizeHeight, *request.length);
    if (request.page_size) pin(PageSize, *request.page_size);
    if (request.orientation) pin(Orientation, *request.orientation);
    if (slot_given) pin(InputSlot, slot);
    if (request.resolution) pin(Resolution, *request.resolution);
    if (request.copies) pin(NumCopies, *request.copies);

    // The name setter: the name again, compared as text; it has no rules.
    if (request.paper_name) context.store_text(PageSizeName, *request.paper_name);
    store_again(PageSizeType, request.page_size_type);
    store_again(CustomPageSizeWidth, request.width);
    store_again(CustomPageSizeHeight, request.length);

    if (request.page_size) set_feature(context, PageSize, *request.page_size);
    if (request.orientation) set_feature(context, Orientation, *request.orientation);
    if (slot_given) set_feature(context, InputSlot, slot);
    if (request.resolution) set_feature(context, Resolution, *request.resolution);

    store_again(NumCopies, request.copies);
}

bool apply_devmode(std::span<const std::uint8_t> devmode, settings::Record& record, abi::HANDLE printer,
                   const std::uint8_t* unchanged_bytes) {
    if (devmode.empty()) return false;
    const environment::DevmodeChangeSet change = environment::build_change_set(devmode, record, printer);
    apply_public_settings(record, change.request, change.configuration ? &*change.configuration : nullptr,
                          unchanged_bytes);
    return change.changed;
}

}  // namespace zenta::constraints
