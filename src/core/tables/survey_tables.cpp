#include "core/tables/survey_tables.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <shapefil.h>
#include <unistd.h>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/files/value_forms.h"
#include "core/model/data_folders.h"
#include "core/operator.h"

namespace tem {

namespace fs = std::filesystem;

namespace {

/// The fields that hold values of any size: GDAL's own form for a double (N 24.15), holding the
/// value as "%.14E" so that 1e-9 and 1e9 alike keep every digit; readers that print the declared
/// 15 decimals still show 7 significant digits of 1e-9.
constexpr int ValueWidth = 24;
constexpr int ValueDecimals = 15;

struct TableField {
    std::string name;
    char type; ///< 'N', 'F' or 'L'
    int width, decimals;
};

std::string numbered(const char* prefix, int k)
{
    return prefix + FormatNumbered(k, 2);
}

std::vector<TableField> chnDepthFields(int n)
{
    std::vector<TableField> f = {{"TIME", 'N', 14, 3},    {"DISTANCE", 'N', 14, 3}, {"OMIT", 'L', 1, 0},
                                 {"EASTING", 'N', 14, 3}, {"NORTHING", 'N', 14, 3}, {"CHN", 'N', 4, 0},
                                 {"CURRENT", 'N', 10, 3}, {"ERROR", 'N', 10, 4},    {"WATERDEP", 'N', 10, 3}};
    for (int k = 1; k <= n; ++k) {
        f.push_back({numbered("DEPTH", k), 'N', ValueWidth, ValueDecimals});
        f.push_back({numbered("CHN", k), 'N', ValueWidth, ValueDecimals});
    }
    return f;
}

std::vector<TableField> voltageFields(int n)
{
    std::vector<TableField> f = {{"TIME", 'N', 14, 3},    {"DISTANCE", 'N', 14, 3}, {"EASTING", 'N', 14, 3},
                                 {"OMIT", 'L', 1, 0},     {"NORTHING", 'N', 14, 3}, {"CHN", 'N', 4, 0},
                                 {"CURRENT", 'N', 10, 3}, {"WATERDEP", 'N', 10, 3}};
    for (int k = 1; k <= n; ++k)
        f.push_back({numbered("V", k), 'N', ValueWidth, ValueDecimals});
    return f;
}

/// The table's ".MDX" index companion (any case), when it exists: it would not match a new table.
void removeIndexCompanion(const std::string& fileName)
{
    std::error_code ec;
    const fs::path table(fileName);
    const fs::path folder = table.has_parent_path() ? table.parent_path() : fs::path(".");
    const std::string stem = UpperCase(table.stem().string());
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path p = it->path();
        if (UpperCase(p.stem().string()) == stem && UpperCase(p.extension().string()) == ".MDX") {
            std::error_code rc;
            fs::remove(p, rc);
            if (rc)
                throw InOutError("Cannot delete " + p.string() + ": " + rc.message());
        }
    }
}

bool channelCountAllowed(int n, Operator& op)
{
    if (n >= 1 && n <= MaxTableChannels)
        return true;
    op.inform("No more than 99 channels are allowed in a table (" + std::to_string(n) +
              " asked for). No table made.");
    return false;
}

/// An open table; closed (and so written) when it goes.
class Table {
  public:
    explicit Table(const std::string& fileName) : name_(fileName), h_(DBFOpen(fileName.c_str(), "r+b"))
    {
        if (!h_)
            throw InOutError("Cannot open the table " + fileName);
    }
    ~Table() { close(); }
    void close()
    {
        if (h_)
            DBFClose(h_);
        h_ = nullptr;
    }
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    int append() { return DBFGetRecordCount(h_); }

    /// Sets a field by name; a field the table lacks (an older table kept) is left out.
    void number(int record, const std::string& field, double v)
    {
        const int i = DBFGetFieldIndex(h_, field.c_str());
        if (i < 0)
            return;
        int width = 0, decimals = 0;
        const DBFFieldType type = DBFGetFieldInfo(h_, i, nullptr, &width, &decimals);
        bool ok = false;
        if ((width >= ValueWidth && decimals >= ValueDecimals) || type == FTString) {
            std::string text = FormatScientific(v, width, 14);
            ok = int(text.size()) <= width && DBFWriteAttributeDirectly(h_, record, i, text.data());
        } else {
            ok = DBFWriteDoubleAttribute(h_, record, i, v);
        }
        if (!ok)
            throw InOutError("Cannot write " + FormatGeneral(v) + " into the field " + field +
                             " of the table " + name_);
    }
    void logical(int record, const std::string& field, bool v)
    {
        const int i = DBFGetFieldIndex(h_, field.c_str());
        if (i >= 0 && !DBFWriteLogicalAttribute(h_, record, i, v ? 'T' : 'F'))
            throw InOutError("Cannot write the field " + field + " of the table " + name_);
    }
    void empty(int record, const std::string& field)
    {
        const int i = DBFGetFieldIndex(h_, field.c_str());
        if (i >= 0 && !DBFWriteNULLAttribute(h_, record, i))
            throw InOutError("Cannot write the field " + field + " of the table " + name_);
    }

  private:
    std::string name_;
    DBFHandle h_;
};

/// A table built whole under a temporary name beside its final name and moved there only when
/// complete: a failure, or a kill, never leaves an empty or half-written table, and the file the
/// name held stays as it was until then.
class TableBuild {
  public:
    /// A new empty table with these fields, or (fields null) a copy of the existing table to extend.
    TableBuild(const std::string& target, const std::vector<TableField>* fields) : target_(target)
    {
        static std::atomic<unsigned> counter{0};
        const fs::path t(target);
        const fs::path folder = t.has_parent_path() ? t.parent_path() : fs::path(".");
        // shapelib gives what it creates the extension ".dbf"; this name has it already.
        temporary_ = (folder / ("." + t.filename().string() + ".tmp" + std::to_string(::getpid()) + "-" +
                                std::to_string(counter++) + ".dbf"))
                         .string();
        if (fields) {
            DBFHandle h = DBFCreate(temporary_.c_str());
            if (!h)
                throw InOutError("Cannot create the table " + target + ": " + std::strerror(errno));
            for (const TableField& f : *fields)
                if (DBFAddNativeFieldType(h, f.name.c_str(), f.type, f.width, f.decimals) < 0) {
                    DBFClose(h);
                    std::remove(temporary_.c_str());
                    throw InOutError("Cannot add the field " + f.name + " to the table " + target);
                }
            DBFClose(h);
            // The header's production-index flag: the table must not claim an ".MDX" index.
            std::fstream file(temporary_, std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(28);
            file.put('\0');
            if (!file) {
                std::remove(temporary_.c_str());
                throw InOutError("Cannot write the header of the table " + target);
            }
        } else {
            try {
                CopyFileNew(target, temporary_);
            } catch (const InOutError& e) {
                throw InOutError(std::string("Cannot extend the table: ") + e.what());
            }
        }
        try {
            table_ = std::make_unique<Table>(temporary_);
        } catch (...) {
            std::remove(temporary_.c_str());
            throw InOutError("Cannot open the table " + target + " (is it a dBase table?)");
        }
    }
    ~TableBuild()
    {
        table_.reset();
        if (!committed_)
            std::remove(temporary_.c_str());
    }
    TableBuild(const TableBuild&) = delete;
    TableBuild& operator=(const TableBuild&) = delete;

    Table& table() { return *table_; }

    void commit()
    {
        table_->close();
        const int fd = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
        const bool synced = fd >= 0 && ::fsync(fd) == 0;
        const int err = errno;
        if (fd >= 0)
            ::close(fd);
        if (!synced)
            throw InOutError("Cannot write the table " + target_ + ": " + std::strerror(err));
        if (::rename(temporary_.c_str(), target_.c_str()) != 0)
            throw InOutError("Cannot write the table " + target_ + ": " + std::strerror(errno));
        committed_ = true;
        SyncFolderOf(target_);
        removeIndexCompanion(target_);
    }

  private:
    std::string target_, temporary_;
    std::unique_ptr<Table> table_;
    bool committed_ = false;
};

std::string fileNameOnly(const std::string& path)
{
    return fs::path(path).filename().string();
}

} // namespace

std::string DbfFileName(const std::string& fileName)
{
    const fs::path p(fileName);
    if (fileName.empty() || !p.has_filename())
        throw InOutError("No table name given.");
    if (!p.has_extension())
        return fileName + ".DBF";
    if (UpperCase(p.extension().string()) != ".DBF")
        throw InOutError("Not written: " + fileName +
                         " is not a dBase table name; a table's name ends in \".DBF\".");
    return fileName;
}

namespace {

/// Where a table goes and whether an existing one is replaced: the name checked, a target that is
/// not a regular file refused, and replacing a table only after the question (default No).
enum class Existing { None, Replace, Keep };
Existing prepareTarget(const std::string& fileName, Operator& op)
{
    RequireReplaceable(fileName);
    std::error_code ec;
    if (!fs::exists(fileName, ec))
        return Existing::None;
    return op.ask("Do you really want to Overwrite " + fileNameOnly(fileName) + "?", false)
               ? Existing::Replace
               : Existing::Keep;
}

} // namespace

bool CreateChnDepthFile(const std::string& name, int n, Operator& op)
{
    const std::string fileName = DbfFileName(name);
    if (prepareTarget(fileName, op) == Existing::Keep) {
        op.inform("Not written: " + fileName + " (the existing table was kept)");
        return false;
    }
    if (!channelCountAllowed(n, op))
        return false;
    const std::vector<TableField> chnFields = chnDepthFields(n);
    TableBuild build(fileName, &chnFields);
    build.commit();
    return true;
}

bool CreateVoltageFile(const std::string& name, int n, Operator& op)
{
    const std::string fileName = DbfFileName(name);
    if (prepareTarget(fileName, op) == Existing::Keep) {
        op.inform("Old table being used");
        return false;
    }
    if (!channelCountAllowed(n, op))
        return false;
    const std::vector<TableField> voltFields = voltageFields(n);
    TableBuild build(fileName, &voltFields);
    build.commit();
    return true;
}

void WriteChnDepthTable(const std::string& name, const ModelSet& set, Operator& op)
{
    const std::string fileName = DbfFileName(name);
    if (prepareTarget(fileName, op) == Existing::Keep) {
        op.inform("Not written: " + fileName + " (the existing table was kept)");
        return;
    }
    if (!channelCountAllowed(set.NLayer, op))
        return;
    const std::vector<TableField> fields = chnDepthFields(set.NLayer);
    TableBuild build(fileName, &fields);
    Table& table = build.table();
    for (int m = 0; m < set.NumModels; ++m) {
        const TModel& model = set.Models[std::size_t(m)];
        const int r = table.append();
        table.number(r, "TIME", m);
        table.number(r, "DISTANCE", m);
        table.logical(r, "OMIT", false);
        table.number(r, "EASTING", m);
        table.number(r, "NORTHING", 0);
        table.number(r, "CHN", set.NLayer);
        table.number(r, "CURRENT", 1);
        table.number(r, "ERROR", 0);
        table.number(r, "WATERDEP", 0);
        double depth = 0, above = 0;
        for (int k = 1; k <= set.NLayer; ++k) {
            if (k < set.NLayer) {
                depth += double(model.Param[k]);
                above = depth;
            } else {
                depth = 2 * above; // the half-space is drawn as deep again as the layers above
            }
            table.number(r, numbered("DEPTH", k), depth);
            table.number(r, numbered("CHN", k), double(model.Param[set.NLayer - 1 + k]));
        }
    }
    build.commit();
}

void WriteVoltageTable(const std::string& name, const Configuration& cfg, const ForwardStore& store,
                       const VoltageTableInput& input, Operator& op)
{
    const std::string fileName = DbfFileName(name);
    const int c = store.AcqSel;
    int fields = 0;
    double area = 1;
    const TTransmitter* tx = nullptr;
    if (input.tdem) {
        if (c < 1 || c > cfg.NumAcqChn || c > MaxAcqChn)
            throw ActionError("There is no acquisition channel " + std::to_string(c) + " to export.");
        const TAcqChn& ch = cfg.AcqChn[c];
        if (ch.TxNumber < 1 || ch.TxNumber > MaxTx || ch.RxCoilNumber < 1 || ch.RxCoilNumber > MaxRx)
            throw ActionError("Channel " + std::to_string(c) + " has no transmitter or receiver to export.");
        tx = &cfg.Tx[ch.TxNumber];
        fields = std::min(tx->NoGates, MaxTableChannels);
        area = cfg.Rx[ch.RxCoilNumber].AreaNumTurnsxPreAmpxSingleTurn;
    } else {
        fields = input.numBipoles;
    }
    const Existing existing = prepareTarget(fileName, op);
    if (existing == Existing::Keep)
        op.inform("Old table being used");
    else if (!channelCountAllowed(fields, op))
        return; // no table made
    const std::vector<TableField> tableFields = voltageFields(fields);
    TableBuild build(fileName, existing == Existing::Keep ? nullptr : &tableFields);

    std::mt19937_64 random(input.seed
                               ? *input.seed
                               : std::uint64_t(std::chrono::system_clock::now().time_since_epoch().count()));
    auto gaussian = [&random](double deviation) {
        if (!(deviation > 0) || !std::isfinite(deviation))
            return 0.0;
        return std::normal_distribution<double>(0.0, deviation)(random);
    };
    const double amplitude = input.addNoise ? input.noiseLevel * 1e-6 : 0;
    const ResultMatrix<float>& volts = store.results.RespVoltages;
    const int ramp = input.tdem ? cfg.SysResp[c].drivenGatesInRamp : 0;
    const int columns =
        input.tdem ? std::min(store.results.FwdModelOutputGates[c], volts.columns()) : volts.columns();

    Table& table = build.table();
    for (int m = 0; m < store.models.NumModels; ++m) {
        const int r = table.append();
        table.number(r, "TIME", m);
        table.number(r, "DISTANCE", m);
        table.number(r, "EASTING", m);
        table.logical(r, "OMIT", false);
        table.number(r, "NORTHING", 0);
        table.number(r, "CHN", input.tdem ? fields : input.numBipoles);
        table.number(r, "CURRENT", 1);
        table.number(r, "WATERDEP", 0);
        for (int j = 1; j <= fields; ++j) {
            const std::string field = numbered("V", j);
            if (j > columns || m >= volts.models()) {
                table.empty(r, field);
                continue;
            }
            const double v = volts(m, j);
            double value = 0;
            if (input.tdem) {
                // Returned gate j is configuration gate drivenGatesInRamp + j: its own noise.
                const int g = std::min(ramp + j, MaxGates);
                const double noise = amplitude != 0 ? gaussian(cfg.SysResp[c].NoiseStdVperAm2[g]) : 0;
                value = (noise + v) * 1e6 * area;
            } else {
                value = v + (amplitude != 0 ? gaussian(std::abs(amplitude)) : 0);
            }
            table.number(r, field, value);
        }
    }
    build.commit();
}

int ReadQuennelConfigType(const DataFolders& folders, Operator& op)
{
    const std::string name = GetPathToAppData(folders, op) + "Quennel.INI";
    const KeywordFile file = KeywordFile::Load(name);
    const long long type = file.ReadInteger("Main", "ConfigType", 0);
    return type >= 0 && type <= 2 ? int(type) : 0;
}

} // namespace tem
