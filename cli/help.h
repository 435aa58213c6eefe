#pragma once

namespace orte_cli {

// orte-cli --help, in English (its Russian translation in the "text" context).
const char *help_text();
// The rest: several converters, Ethernet gateways, the MQTT broker, a collector.
const char *help_plant_text();

} // namespace orte_cli
