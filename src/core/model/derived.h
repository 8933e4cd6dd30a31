#pragma once
// Derived quantities and consistency rules of the configuration model.

namespace tem {

struct Configuration;
class Operator;

/// Closing vertex, area, centroid, equivalent side, power, resistance and moment of every
/// transmitter, then the gates in the ramp of every channel.
void CalculateDrivenVariables(Configuration& cfg, Operator& op);
/// drivenGatesInRamp of SysResp[channel] (channel 1-based).
void CalcGatesInRamp(Configuration& cfg, int channel, Operator& op);
/// The gates of a channel that start inside 110 % of its transmitter's ramp (after the channel's
/// shifts), counted from the first gate; a gate starting exactly at 110 % is not in the ramp. The
/// one count every window and file uses.
int GatesInRamp(const Configuration& cfg, int channel);
/// Rebuilds AcqChnMapTxRx and TxSingle, TxLM, TxHM from the channels and transmitters.
void TxRxAliasAcqChnMapping(Configuration& cfg, Operator& op);
/// Remembers transmitter t in TxSingle, TxLM, TxHM or TxOther by its MomentID, as the readers do
/// while they read the transmitters.
void RecordTransmitterRole(Configuration& cfg, int t);
/// Makes every channel's TransmitterMoment name the MomentID of its transmitter.
void CheckTxMomentTxNumberMatch(Configuration& cfg, Operator& op);

} // namespace tem

namespace tem {

/// Whether the transmitter moments fit the GEX convention before a GEX save: one SingleM
/// transmitter, or LM then HM (HM then LM is accepted with a message). Otherwise shows why the
/// GEX file is not saved and returns false.
bool CheckGEXMomentCombination(const Configuration& cfg, Operator& op);

} // namespace tem
