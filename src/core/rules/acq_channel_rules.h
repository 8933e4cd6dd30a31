#pragma once
// Rules of the acquisition channel window that need no window: the channel's keys and how their
// texts are read back, the SignPattern rule, the front gate label, the channel matrix, the count
// change and the moment alias groups.

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tem {

struct Configuration;
class Operator;

using KeyValueRows = std::vector<std::pair<std::string, std::string>>;
/// Looks up the text of a key; an empty text for a missing key.
using KeyLookup = std::function<std::string(std::string_view key)>;

/// The keys of one channel, in order, with their texts (numbers in the shortest decimal form,
/// lists separated by single spaces).
KeyValueRows AcqChnKeyValues(const Configuration& cfg, int channel);

/// Reads the key texts into channel c and its transmitter, each with its fallback, then the
/// current link (when linked), the moment check and the channel map. Numbers that would leave the
/// model (a transmitter, receiver or time base outside 1..9) are refused with a message and the
/// old number kept.
void CommitAcqChnKeyValues(Configuration& cfg, int channel, const KeyLookup& value, bool linkCurrents,
                           Operator& op);

/// The first ten items of a SignPattern text; the pattern is as long as the count of items whose
/// text is not "0"; every value among those that is neither 1 nor -1 gives one message.
std::vector<int> ParseSignPattern(std::string_view text, Operator& op);
inline constexpr std::string_view SignPatternMessage =
    "SignPattern can only contain a list of either -1 or 1";

/// A list value split at spaces, tabs and commas.
std::vector<std::string> SplitListValue(std::string_view text);

/// "Final Front Gate Time = ..." or "No Front Gate is applied for this channel".
std::string FrontGateLabel(const Configuration& cfg, int channel);

/// The channel matrix: cells[t-1][r-1] is the text of transmitter t, receiver r. Stores each
/// named channel's transmitter, receiver and moment, with the "exceeds" and "more channels"
/// messages.
void ValidateChannelMatrix(Configuration& cfg, const std::vector<std::vector<std::string>>& cells,
                           Operator& op);
/// The matrix as the model gives it: "0" everywhere, then channel c at (TxNumber, RxCoilNumber).
std::vector<std::vector<std::string>> ChannelMatrix(const Configuration& cfg, int txCount, int rxCount);

/// A new channel count typed by the operator. Returns false (nothing changed) for text that is not
/// a number, 0 or less, or more channels than the model holds (with a message). New channels are
/// initialised from the displayed channel's key texts; displayed becomes 1 when beyond the count.
bool ChangeAcqChnCount(Configuration& cfg, std::string_view text, int& displayed, const KeyLookup& editor,
                       bool linkCurrents, Operator& op);

// ---- Moment aliases ----------------------------------------------------------------------------
/// Item k of an alias group names transmitter k; item 0 names none.
inline constexpr std::array<std::string_view, 10> AliasItems = {"None", "Default", "Auxiliary", "3", "4",
                                                                "5",    "6",       "7",         "8", "9"};
struct AliasSelection {
    int single = 0, lm = 0, hm = 0; ///< item indices
    bool operator==(const AliasSelection&) const = default;
};
/// The low-moment group was set to sel.lm; adjusts the other groups, the channel and transmitter
/// counts and the channels' moments, then commits the aliases.
void ApplyLowMomentChoice(Configuration& cfg, AliasSelection& sel, Operator& op);
void ApplyHighMomentChoice(Configuration& cfg, AliasSelection& sel, Operator& op);
void ApplySingleChoice(Configuration& cfg, AliasSelection& sel, Operator& op);
/// Each named transmitter's MomentID, TxSingle/TxLM/TxHM, then the channel map.
void CommitAliases(Configuration& cfg, const AliasSelection& sel, Operator& op);

} // namespace tem
