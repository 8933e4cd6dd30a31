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

/// Every table is built whole under a temporary name beside its final name and renamed into place
/// when complete (an ".MDX" companion of the name is then deleted); a target that is not a regular
/// file is refused, and an existing table is replaced only after "Do you really want to Overwrite
/// <name>?" (default No).

/// The name a table is written under: ".DBF" added to a name without an extension. Throws
/// InOutError for a name with another extension (it could be a configuration).
std::string DbfFileName(const std::string& fileName);

/// Creates an empty channel/depth table for n layers (fields TIME, DISTANCE, OMIT, EASTING,
/// NORTHING, CHN, CURRENT, ERROR, WATERDEP, DEPTH01, CHN01, ...). Returns false after a warning for
/// n outside 1 .. 99, or when the operator keeps an existing table. Throws InOutError.
bool CreateChnDepthFile(const std::string& fileName, int n, Operator& op);
/// Creates an empty voltage table for n channels (TIME, DISTANCE, EASTING, OMIT, NORTHING, CHN,
/// CURRENT, WATERDEP, V01, ...). No to the question shows "Old table being used" and keeps it.
/// Returns whether a table was created. Throws InOutError.
bool CreateVoltageFile(const std::string& fileName, int n, Operator& op);

/// "Save Input - Chn/DepthDBF": the table for NLayer layers and one record per model; No to the
/// question keeps the existing table and says so. Throws InOutError.
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
