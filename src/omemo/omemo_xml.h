#pragma once

#include <QDomElement>
#include <QString>
#include <optional>
#include <vector>

#include "omemo/omemo_types.h"

// OMEMO's XML, as pure functions: the envelope inside a <message>, the device list and the
// bundle that live on the account's PEP nodes. Parsers take untrusted input: they refuse what
// is malformed or too large instead of guessing.
namespace omemo::xml {

inline constexpr auto ns = "eu.siacs.conversations.axolotl";
inline constexpr auto devicelist_node = "eu.siacs.conversations.axolotl.devicelist";
// The bundle node of one device: this prefix and its id.
inline constexpr auto bundle_node_prefix = "eu.siacs.conversations.axolotl.bundles:";

// <encrypted xmlns=...>; nullopt when the element is not a well-formed envelope.
std::optional<Envelope> parse_envelope(const QDomElement& encrypted);
QString envelope_xml(const Envelope& envelope);

// <list xmlns=...><device id=.../></list>; ids that are not numbers are left out.
std::vector<DeviceId> parse_device_list(const QDomElement& list);
QString device_list_xml(const std::vector<DeviceId>& devices);

// <bundle xmlns=...>; nullopt when a part is missing or malformed.
std::optional<Bundle> parse_bundle(const QDomElement& bundle);
QString bundle_xml(const Bundle& bundle);

}  // namespace omemo::xml
