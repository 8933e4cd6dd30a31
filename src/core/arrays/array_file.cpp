#include "core/arrays/array_file.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string_view>

#include "core/action_error.h"
#include "core/arrays/array_geometry.h"
#include "core/files/keyword_file.h"
#include "core/files/protection.h"
#include "core/files/value_forms.h"
#include "core/operator.h"

namespace tem {

namespace {

constexpr std::string_view ExponentialSection = "ExponentialBiole"; // sic: the section's stored name

std::string num(long long n)
{
    return FormatNumbered(n, 1);
}
std::string key(std::string_view name, int i)
{
    return std::string(name) + num(i);
}
std::string key(std::string_view name, int i, int j)
{
    return std::string(name) + num(i) + "_" + num(j);
}

double defaultCP(int i, int j)
{
    switch (j) {
    case 1:
        return 1;
    case 2:
        return std::pow(2.0, i - 2) + 16;
    case 3:
        return std::pow(2.0, i - 1) + 16;
    case 4:
        return std::pow(2.0, i - 2);
    default:
        return std::pow(2.0, i - 1);
    }
}

double defaultCPProp(int j)
{
    return (j == 3 || j == 4) ? -1 : 1;
}

std::string defaultPhiTheta(int row, int i)
{
    const double p = std::pow(2.0, i - 2);
    switch (row) {
    case 1:
        return "16";
    case 2:
        return FormatGeneral(p);
    case 3:
        return FormatGeneral(1.5 * p + 8);
    case 4:
        return "0";
    case 5:
        return "180";
    default:
        return FormatGeneral(p);
    }
}

constexpr std::string_view PhiThetaKeys[PhiThetaRows] = {"TxWidth", "Width", "MidpointSep",
                                                         "Theta",   "Phi",   "EffDepth"};

/// A count read from the file, brought into lo .. hi with a message when it is outside.
int countInRange(long long n, int lo, int hi, const std::string& what, Operator& op)
{
    if (n >= lo && n <= hi)
        return int(n);
    const int used = n < lo ? lo : hi;
    op.inform("The array file gives " + std::to_string(n) + " " + what + "; between " + std::to_string(lo) +
              " and " + std::to_string(hi) + " are possible, so " + std::to_string(used) + " are used.");
    return used;
}

} // namespace

void ReadConfigIni(ArrayDescription& d, const KeywordFile& f, Operator& op)
{
    TArrayConfiguration& a = d.AConfig;
    TArrayConfigExt& x = d.AConfigExt;
    a.numBipoles =
        countInRange(f.ReadInteger("Array", "RxBipoles", 8), 1, MaxArrayConfigs, "configurations", op);
    d.OffsetBehind = f.ReadFloat("Offset", "Behind", 0);
    d.OffsetRight = f.ReadFloat("Offset", "Right", 0);
    const long long maxCP = f.ReadInteger("Array", "MaxMonopoles", 4);
    a.MaxCP = int(std::clamp<long long>(maxCP, 0, MaxMonopolePairs));
    for (int i = 1; i <= a.numBipoles; ++i) {
        a.numCurPot[i] = countInRange(f.ReadInteger("numMonopoles", key("numMonopoles", i), 4), 1,
                                      MaxMonopolePairs, "monopole pairs for configuration " + num(i), op);
        a.MaxCP = std::max(a.MaxCP, a.numCurPot[i]);
        for (int j = 1; j <= a.numCurPot[i]; ++j) {
            a.CP[i][j] = f.ReadFloat("MonopoleSeparations", key("CP", i, j), defaultCP(i, j));
            a.CPProp[i][j] = f.ReadFloat("SignedMonopoleFractions", key("CPProp", i, j), defaultCPProp(j));
        }
        for (int j = 1; j <= a.numCurPot[i]; ++j) {
            x.MonopoleTx[i][j] = f.ReadFloat("MonoPoleCoordsTx", key("Tx", i, j), 0);
            x.MonopoleTy[i][j] = f.ReadFloat("MonoPoleCoordsTy", key("Ty", i, j), 0);
            x.MonopoleRx[i][j] = f.ReadFloat("MonoPoleCoordsRx", key("Rx", i, j), j);
            x.MonopoleRy[i][j] = f.ReadFloat("MonoPoleCoordsRy", key("Ry", i, j), 0);
        }
        for (int k = 1; k <= ElectrodesPerConfig; ++k) {
            x.Elecx[i][k] = f.ReadFloat("ArrayCoordsx", key("Elecx", i, k), k);
            x.Elecy[i][k] = f.ReadFloat("ArrayCoordsy", key("Elecy", i, k), 0);
        }
        a.MidpointX[i] = f.ReadFloat("MidpointX", key("MidpointX", i), 0);
        x.MidpointY[i] = f.ReadFloat("MidpointY", key("MidpointY", i), 0);
    }
    x.TxElectrodeLength = f.ReadFloat("Array", "TxElectrodeLength", 0);
    x.PortionSizer = f.ReadFloat("Array", "PortionSizer", 0.45);
    x.AConfigType = f.ReadString("Array", "AConfigType", ArrayTypeGeneralXY);

    if (SameText(x.AConfigType, ArrayTypeExponentialBipole)) {
        d.CurrElecSeparation = f.ReadFloat(ExponentialSection, "CurrElecSeparation", 16);
        d.FirstPotentDist = f.ReadFloat(ExponentialSection, "FirstPotentDist", -1);
        d.TwoToPowerOfnIncr = f.ReadFloat(ExponentialSection, "TwoToPowerOfnIncr", 1);
        d.RadiusOfCurvature = f.ReadFloat(ExponentialSection, "RadiusOfCurvature", 100);
    } else if (SameText(x.AConfigType, ArrayTypeGeneralPhiTheta)) {
        for (int i = 1; i <= a.numBipoles; ++i)
            for (int row = 1; row <= PhiThetaRows; ++row)
                d.PhiThetaInfo[row][i] =
                    f.ReadString("GeneralPhiTheta", key(PhiThetaKeys[row - 1], i), defaultPhiTheta(row, i));
    } else if (SameText(x.AConfigType, ArrayTypeSchlumberger)) {
        d.SamplePerDecade = f.ReadFloat("Schlumberger", "SamplePerDecade", 6);
        for (int i = 1; i <= a.numBipoles; ++i) {
            d.SchlumbL[i] = f.ReadFloat("Schlumberger", key("L", i), std::pow(10.0, (i - 1) / 6.0));
            d.Schlumblittlel[i] =
                f.ReadFloat("Schlumberger", key("little", i), std::pow(10.0, (i - 1) / 6.0 - 1));
        }
    }
    CalcGeomFact(a, op);
    NDICEffDepth(a);
}

void ReadConfigIni(ArrayDescription& d, const std::string& ConfigIniName, Operator& op)
{
    std::error_code ec;
    if (!std::filesystem::exists(ConfigIniName, ec))
        op.inform(
            "Default device configuration being loaded as the specified configuration parameter file was "
            "not found!");
    ReadConfigIni(d, KeywordFile::Load(ConfigIniName), op);
}

ArrayDescription DefaultArrayDescription(Operator& op)
{
    ArrayDescription d;
    ReadConfigIni(d, KeywordFile(), op);
    return d;
}

namespace {

/// Writes numbers, refusing any that is not finite so no infinity reaches a file.
class NumberWriter {
  public:
    explicit NumberWriter(KeywordFile& f) : f_(f) {}
    void number(std::string_view section, const std::string& k, double v)
    {
        if (!std::isfinite(v))
            throw ActionError("The array file is not written: the value of " + k +
                              " is not a finite number.");
        f_.WriteFloat(section, k, v);
    }
    void integer(std::string_view section, const std::string& k, long long v)
    {
        f_.WriteInteger(section, k, v);
    }
    void text(std::string_view section, const std::string& k, std::string_view v)
    {
        f_.WriteString(section, k, v);
    }

  private:
    KeywordFile& f_;
};

} // namespace

KeywordFile ArrayConfigFile(const ArrayDescription& d)
{
    const TArrayConfiguration& a = d.AConfig;
    const TArrayConfigExt& x = d.AConfigExt;
    const int n = std::clamp(a.numBipoles, 0, MaxArrayConfigs);
    KeywordFile f;
    NumberWriter w(f);
    w.integer("Array", "RxBipoles", a.numBipoles);
    w.number("Offset", "Behind", d.OffsetBehind);
    w.number("Offset", "Right", d.OffsetRight);
    w.number("Submerged", "SubDepth", a.SubDepth);
    w.integer("Array", "MaxMonopoles", a.MaxCP);
    for (int i = 1; i <= n; ++i) {
        const int pairs = std::clamp(a.numCurPot[i], 0, MaxMonopolePairs);
        w.integer("numMonopoles", key("numMonopoles", i), a.numCurPot[i]);
        w.number("GeomFact", key("GeomFact", i), a.GeomFact[i]);
        w.number("EffDepth", key("EffDepth", i), a.EffDepth[i]);
        for (int j = 1; j <= pairs; ++j) {
            w.number("MonopoleSeparations", key("CP", i, j), a.CP[i][j]);
            w.number("SignedMonopoleFractions", key("CPProp", i, j), a.CPProp[i][j]);
        }
        w.number("MidpointX", key("MidpointX", i), a.MidpointX[i]);
        w.number("MidpointY", key("MidpointY", i), x.MidpointY[i]);
        w.number("Submerged", key("GeomFact", i), a.SubmergedGeomFact[i]);
        for (int j = 1; j <= pairs; ++j) {
            w.number("MonoPoleCoordsTx", key("Tx", i, j), x.MonopoleTx[i][j]);
            w.number("MonoPoleCoordsTy", key("Ty", i, j), x.MonopoleTy[i][j]);
            w.number("MonoPoleCoordsRx", key("Rx", i, j), x.MonopoleRx[i][j]);
            w.number("MonoPoleCoordsRy", key("Ry", i, j), x.MonopoleRy[i][j]);
        }
        for (int k = 1; k <= ElectrodesPerConfig; ++k)
            w.number("ArrayCoordsx", key("Elecx", i, k), x.Elecx[i][k]);
        for (int k = 1; k <= ElectrodesPerConfig; ++k)
            w.number("ArrayCoordsy", key("Elecy", i, k), x.Elecy[i][k]);
    }
    w.number("Array", "TxElectrodeLength", x.TxElectrodeLength);
    w.number("Array", "PortionSizer", x.PortionSizer);
    w.text("Array", "AConfigType", x.AConfigType);
    if (SameText(x.AConfigType, ArrayTypeExponentialBipole)) {
        w.number(ExponentialSection, "CurrElecSeparation", d.CurrElecSeparation);
        w.number(ExponentialSection, "FirstPotentDist", d.FirstPotentDist);
        w.number(ExponentialSection, "TwoToPowerOfnIncr", d.TwoToPowerOfnIncr);
        w.number(ExponentialSection, "RadiusOfCurvature", d.RadiusOfCurvature);
    } else if (SameText(x.AConfigType, ArrayTypeGeneralPhiTheta)) {
        for (int i = 1; i <= n; ++i)
            for (int row = 1; row <= PhiThetaRows; ++row)
                w.text("GeneralPhiTheta", key(PhiThetaKeys[row - 1], i), d.PhiThetaInfo[row][i]);
    } else if (SameText(x.AConfigType, ArrayTypeSchlumberger)) {
        w.number("Schlumberger", "SamplePerDecade", d.SamplePerDecade);
        for (int i = 1; i <= n; ++i) {
            w.number("Schlumberger", key("L", i), d.SchlumbL[i]);
            w.number("Schlumberger", key("little", i), d.Schlumblittlel[i]);
        }
    }
    return f;
}

void WriteConfigIni(const ArrayDescription& d, const std::string& fileName)
{
    ArrayConfigFile(d).Save(fileName);
}

bool IsArrayFileName(const std::string& fileName)
{
    const std::string ext = UpperCase(std::filesystem::path(fileName).extension().string());
    return ext == ".DCC" || ext == ".INI";
}

void SaveConfigIni(const ArrayDescription& d, const std::string& fileName, Operator& op)
{
    if (!IsArrayFileName(fileName))
        throw ActionError(std::filesystem::path(fileName).filename().string() +
                          " is not an array file name - array files end in .DCC (or the older .INI). "
                          "Nothing was saved.");
    const KeywordFile text = ArrayConfigFile(d); // refuses a value that is not a number first
    const std::string backup = PreWriteCheckandBackup(fileName, op);
    try {
        text.Save(fileName);
    } catch (const InOutError&) {
        if (!backup.empty()) {
            std::error_code ec;
            std::filesystem::remove(backup, ec);
        }
        throw;
    }
}

std::string ArrayFileToUse(const std::string& ConfigIniName, const std::string& lastArrayFile,
                           const std::string& arrayFolder)
{
    if (IsArrayFileName(ConfigIniName))
        return ConfigIniName;
    if (IsArrayFileName(lastArrayFile))
        return lastArrayFile;
    return (std::filesystem::path(arrayFolder) / "Array.DCC").string();
}

std::string ArrayConfigDocument(const TArrayConfiguration& a)
{
    // "%Nd": the integer right-aligned in N characters.
    auto padded = [](long long n, std::size_t width) {
        std::string t = std::to_string(n);
        return t.size() < width ? std::string(width - t.size(), ' ') + t : t;
    };
    const int count = std::clamp(a.numBipoles, 0, MaxArrayConfigs);
    auto pairsOf = [&](int i) { return std::clamp(a.numCurPot[i], 0, MaxMonopolePairs); };
    std::string text = "numBipoles: " + FormatNumbered(a.numBipoles, 2) + "\r\n";
    text += "   numCP GeomFact EffDepth";
    // The header follows configuration 1 only, as the document always has.
    const int headerPairs = count >= 1 ? pairsOf(1) : 0;
    for (int k = 1; k <= headerPairs; ++k)
        text += "     CP" + padded(k, 2) + " CPProp" + padded(k, 2);
    text += "\r\n";
    for (int i = 1; i <= count; ++i) {
        text += padded(a.numCurPot[i], 4) + " " + FormatSignificant(a.GeomFact[i], 8, 4) + " " +
                FormatSignificant(a.EffDepth[i], 8, 4);
        for (int j = 1; j <= pairsOf(i); ++j)
            text += " " + FormatSignificant(a.CP[i][j], 8, 4) + " " + FormatSignificant(a.CPProp[i][j], 8, 4);
        text += "\r\n";
    }
    return text;
}

void WriteArrayConfigDocument(const TArrayConfiguration& a, const std::string& fileName)
{
    WriteFileReplacing(fileName, ArrayConfigDocument(a));
}

} // namespace tem
