#pragma once
// Survey data tables: the channel/depth table of a model set and the voltage table of its
// responses, as dBase (.DBF) tables built directly with their fields, and the data module's
// start-up setting from "Quennel.INI".
//
// Numbers that must survive at full range (depths, resistivities, voltages) are numeric fields of
// width 24 with 15 decimals (GDAL's own form for a double) holding "%.14E"; counts and positions
// are narrower numeric fields.

#include <cstdint>
#include <optional>
#include <string>

#include "core/forward/forward_store.h"
#include "core/model/configuration.h"

namespace tem {

class Operator;
struct DataFolders;

inline constexpr int MaxTableChannels = 99;

/// Creates an empty channel/depth table for n layers (fields TIME, DISTANCE, OMIT, EASTING,
/// NORTHING, CHN, CURRENT, ERROR, WATERDEP, DEPTH01, CHN01, ...), replacing an existing one and
/// deleting its ".MDX" companion without a question. Returns false after a warning for n outside
/// 1 .. 99. Throws InOutError.
bool CreateChnDepthFile(const std::string& fileName, int n, Operator& op);
/// Creates an empty voltage table for n channels (TIME, DISTANCE, EASTING, OMIT, NORTHING, CHN,
/// CURRENT, WATERDEP, V01, ...). An existing table is replaced only after "Do you really want to
/// Overwrite <name>?" (default No); No shows "Old table being used" and keeps it. Returns whether a
/// table was created. Throws InOutError.
bool CreateVoltageFile(const std::string& fileName, int n, Operator& op);

/// "Save Input - Chn/DepthDBF": the table for NLayer layers and one record per model. Throws
/// InOutError.
void WriteChnDepthTable(const std::string& fileName, const ModelSet& set, Operator& op);

/// What the voltage table is made from.
struct VoltageTableInput {
    bool tdem = true;                  ///< TDEM (gates of channel AcqSel) or Direct (bipoles)
    bool addNoise = false;             ///< "Add Noise"
    double noiseLevel = 0;             ///< the level edit (its value x 1e-6 is the amplitude)
    std::optional<std::uint64_t> seed; ///< the noise generator's seed; none: the clock
    int numBipoles = 0;                ///< Direct: the array's configurations
};
/// "Save Output VoltDBF": creates (or, when the operator keeps it, extends) the voltage table and
/// writes one record per model: TDEM V01.. in microvolts per ampere (dB/dt x 1e6 x the receiver's
/// AreaNumTurnsxPreAmpxSingleTurn, with Gaussian noise of the channel's per-gate noise when
/// noise is added), Direct the voltages. Fields past the returned gates stay empty. Throws
/// InOutError.
void WriteVoltageTable(const std::string& fileName, const Configuration& cfg, const ForwardStore& store,
                       const VoltageTableInput& input, Operator& op);

/// The data module's start-up read: "Main"/"ConfigType" of the shared data folder's
/// "Quennel.INI" (0 TDEM, 1 Direct, 2 FDEM; 0 when missing or unreadable).
int ReadQuennelConfigType(const DataFolders& folders, Operator& op);

} // namespace tem
