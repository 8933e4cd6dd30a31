#include "report/SystemReport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <functional>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/files/protection.h"
#include "core/files/value_forms.h"
#include "core/rules/layout_diagram.h"
#include "report/LayoutDiagramSeries.h"
#include "report/PointChartPainter.h"
#include "report/ReportDocument.h"
#include "report/ReportPlot.h"

namespace tem::report {

namespace {

const QString ProgramName = QStringLiteral("TEM Setrix");
const QString ProgramVersion = QStringLiteral(TEMSETRIX_VERSION);
const QString None = QStringLiteral("\u2013"); // en dash: no value
/// The sections, in order; each title is also its heading.
const QStringList SectionTitles = {"Layout diagram",
                                   "Transmitters",
                                   "Receivers",
                                   "Acquisition channels",
                                   "Time bases",
                                   "Transmitter waveforms",
                                   "System responses and noise",
                                   "Vehicle geometry"};

// ---- Numbers in the forms the files use ------------------------------------------------------

/// The model's texts are 8-bit (Latin-1), as the files store them.
QString Q(const std::string& s)
{
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}
/// The general number form of the keyword files.
QString G(double v)
{
    return Q(FormatGeneral(v));
}
QString I(long long v)
{
    return QString::number(v);
}
/// Loop corners: "%8.3f".
QString Coord(double v)
{
    return Q(Trim(FormatFixed(v, 8, 3)));
}
/// Gate times: "%12.6e".
QString GateTime(double v)
{
    return Q(Trim(FormatScientific(v)));
}
/// Waveform points: "%12.7f".
QString WavePoint(double v)
{
    return Q(Trim(FormatFixed(v, 12, 7)));
}
QString YesNo(bool b)
{
    return b ? QStringLiteral("Yes") : QStringLiteral("No");
}

// ---- Safe access: counts and numbers from a file may point anywhere ----------------------------

int Count(int n, int max)
{
    return std::clamp(n, 0, max);
}
bool InRange(int i, int count)
{
    return i >= 1 && i <= count;
}

struct ChannelContext {
    const TAcqChn& chn;
    const TTransmitter* tx = nullptr; ///< nullptr when TxNumber points nowhere
    const TTxWaveform* wave = nullptr;
    const TTimeBase* tb = nullptr;
    const TReceiver* rx = nullptr;
    int txNumber = 0, tbNumber = 0;
    int gates = 0; ///< gates used: NoGates within the time base's capacity
};

ChannelContext ContextOf(const Configuration& cfg, int c)
{
    ChannelContext x{cfg.AcqChn[c]};
    x.txNumber = x.chn.TxNumber;
    if (InRange(x.txNumber, MaxTx)) {
        x.tx = &cfg.Tx[x.txNumber];
        x.wave = &cfg.TxWaveform[x.txNumber];
        x.tbNumber = x.tx->TimeBaseNumber;
        if (InRange(x.tbNumber, MaxTimeBases))
            x.tb = &cfg.TimeBase[x.tbNumber];
        x.gates = Count(x.tx->NoGates, MaxGates);
    }
    if (InRange(x.chn.RxCoilNumber, MaxRx))
        x.rx = &cfg.Rx[x.chn.RxCoilNumber];
    return x;
}

QString TxLabel(const Configuration& cfg, int t)
{
    if (!InRange(t, MaxTx))
        return I(t);
    return QStringLiteral("Tx%1 %2").arg(t).arg(Q(cfg.Tx[t].Name));
}
QString RxLabel(const Configuration& cfg, int r)
{
    if (!InRange(r, MaxRx))
        return I(r);
    return QStringLiteral("Rx%1 %2").arg(r).arg(Q(cfg.Rx[r].Name));
}

// ---- Tables ------------------------------------------------------------------------------------

ReportTable KeyValues(const std::vector<std::pair<QString, QString>>& rows)
{
    ReportTable t;
    for (const auto& [k, v] : rows)
        t.rows.push_back({k, v});
    t.boldColumns = {0};
    return t;
}

/// One row per field, one column per record; wide sets are split into tables of at most
/// perTable records.
struct RecordGrid {
    QStringList names;                        ///< column headings, one per record
    std::vector<QString> fields;              ///< row names
    std::vector<std::vector<QString>> values; ///< [record][field]
};

void AddRecordGrid(ReportDocument& doc, const RecordGrid& grid, int perTable)
{
    for (int first = 0; first < grid.names.size(); first += perTable) {
        const int last = std::min<int>(grid.names.size(), first + perTable);
        ReportTable t;
        t.header << QString();
        for (int r = first; r < last; ++r)
            t.header << grid.names[r];
        t.boldColumns = {0};
        t.fullWidth = true;
        for (std::size_t f = 0; f < grid.fields.size(); ++f) {
            QStringList row{grid.fields[f]};
            for (int r = first; r < last; ++r)
                row << grid.values[std::size_t(r)][f];
            t.rows.push_back(row);
        }
        doc.table(t);
    }
}

// ---- Drawings ----------------------------------------------------------------------------------

void DrawDiagram(QPainter& p, const QRectF& box, const std::vector<ChartSeries>& series,
                 const PointChartView& view)
{
    p.setPen(QPen(QColor(160, 160, 160), 0.5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(box);
    // The diagram is drawn in screen pixels of 3/4 point, as the window shows it.
    constexpr double Pixel = 0.75;
    p.translate(box.topLeft());
    p.scale(Pixel, Pixel);
    p.setFont(ReportFont(p, 6.5));
    const QSize size(int(box.width() / Pixel), int(box.height() / Pixel));
    PaintPointChart(p, size, series, view, Qt::black);
}

// ---- Sections ----------------------------------------------------------------------------------

class Builder {
  public:
    Builder(const Configuration& cfg, const ReportSource& src, ReportDocument& doc)
        : cfg_(cfg), src_(src), doc_(doc), numTx_(Count(cfg.NumTx, MaxTx)), numRx_(Count(cfg.NumRx, MaxRx)),
          numChn_(Count(cfg.NumAcqChn, MaxAcqChn)), numTb_(Count(cfg.NumTimebases, MaxTimeBases))
    {
    }

    void build()
    {
        titleBlock();
        layoutDiagram();
        transmitters();
        receiversAndChannels();
        timeBases();
        waveforms();
        systemResponses();
        vehicle();
    }

  private:
    const Configuration& cfg_;
    const ReportSource& src_;
    ReportDocument& doc_;
    const int numTx_, numRx_, numChn_, numTb_;

    void titleBlock()
    {
        doc_.heading(QStringLiteral("System description"), 1);
        doc_.space(4);
        const QString dataType = Q(Trim(cfg_.DataType));
        QString stamp = Q(FormatHex(cfg_.MasterTamperCheckCRC));
        const QString master =
            cfg_.Master ? (cfg_.IsCorrupt ? QStringLiteral("Yes (read only); the stamp check failed")
                                          : QStringLiteral("Yes (read only)"))
                        : QStringLiteral("No");
        doc_.table(KeyValues({
            {"Configuration file", src_.fileName.isEmpty() ? None : src_.fileName},
            {"Description", Q(cfg_.Description)},
            {"Data type", dataType.isEmpty() ? QStringLiteral("Not Specified") : dataType},
            {"Save format", Q(std::string(Name(cfg_.TDCorGEX)))},
            {"Parent configuration", Q(cfg_.ParentConfigFile)},
            {"Master file", master},
            {"Master stamp (MasterTamperCheckCRC)", stamp},
            {"CRC-32 of the file as stored",
             src_.fileCrc.isEmpty() ? QStringLiteral("not available") : src_.fileCrc},
            {"Report created", src_.created.toString(QStringLiteral("yyyy-MM-dd HH:mm"))},
            {"Program", ProgramName + " " + ProgramVersion},
        }));
        doc_.paragraph(
            QStringLiteral("The CRC-32 is that of the configuration file's bytes (as zip computes it); "
                           "\"temsetrix-cli crc FILE\" prints the same number for the file that "
                           "this report describes."),
            7.5, true);
        doc_.space(4);
        doc_.table(KeyValues({{"Transmitters", I(cfg_.NumTx)},
                              {"Receivers", I(cfg_.NumRx)},
                              {"Acquisition channels", I(cfg_.NumAcqChn)},
                              {"Time bases", I(cfg_.NumTimebases)}}));
        doc_.heading(QStringLiteral("Contents"), 2, false, 120);
        doc_.contents(SectionTitles);
    }

    void layoutDiagram()
    {
        doc_.heading(QStringLiteral("Layout diagram"), 1, true);
        doc_.paragraph(
            QStringLiteral("Coordinates in metres: X along the direction of travel, Y transverse to the "
                           "right, Z positive down. One metre has the same length on every axis; the "
                           "bar in the lower right corner gives the scale."),
            8);
        Configuration drawn = cfg_; // the drawing fills in receiver defaults
        const std::vector<ChartSeries> series = LayoutDiagramSeries(drawn);
        doc_.heading(QStringLiteral("Plan"), 3, false, 300);
        PointChartView plan;
        plan.view3D = false;
        doc_.figure(300, [series, plan](QPainter& p, const QRectF& r) { DrawDiagram(p, r, series, plan); });
        doc_.heading(
            QStringLiteral("3-D view (rotation 0\u00b0, elevation %1\u00b0)").arg(LayoutStartElevation), 3,
            false, 300);
        PointChartView view3D;
        view3D.elevation = LayoutStartElevation;
        doc_.figure(300,
                    [series, view3D](QPainter& p, const QRectF& r) { DrawDiagram(p, r, series, view3D); });
    }

    void transmitters()
    {
        doc_.heading(QStringLiteral("Transmitters"), 1, true);
        RecordGrid g;
        g.fields = {"Name",
                    "Moment",
                    "Loop type",
                    "Loop sides",
                    "Turns",
                    "Area of one turn (m\u00b2)",
                    "Equivalent square side (m)",
                    "Centroid X, Y, Z (m)",
                    "Axis orientation, tilt, rotation (\u00b0)",
                    "Damping (\u03a9)",
                    "Flying lead length (m)",
                    "Volts (V): min, set, max",
                    "Amps (A): min, set, max",
                    "Held constant",
                    "Power (W)",
                    "Resistance (\u03a9)",
                    "Moment N\u00b7I\u00b7A (A\u00b7m\u00b2)",
                    "Low-pass filter order, cut-off (Hz)",
                    "Output relays",
                    "Repetition frequency (Hz)",
                    "Gates used",
                    "Time base",
                    "Sign pattern"};
        for (int t = 1; t <= numTx_; ++t) {
            const TTransmitter& x = cfg_.Tx[t];
            g.names << QStringLiteral("Tx%1").arg(t);
            QStringList relays;
            if (x.RelayA)
                relays << "A";
            if (x.RelayB)
                relays << "B";
            QStringList signs;
            for (int s : x.SignPattern)
                signs << I(s);
            g.values.push_back({Q(x.Name),
                                Q(std::string(Name(x.MomentID))),
                                I(x.LoopType),
                                I(x.LoopSides),
                                I(x.Turns),
                                G(x.Area),
                                G(x.EquivalentSquareLoopSide),
                                G(x.CentroidX) + ", " + G(x.CentroidY) + ", " + G(x.CentroidZ),
                                Q(x.AxisOrient) + ", " + G(x.AxisTilt) + ", " + G(x.AxisRotation),
                                G(x.Damping),
                                G(x.FlyingLeadLength),
                                G(x.VoltsMin) + ", " + G(x.Volts) + ", " + G(x.VoltsMax),
                                G(x.AmpsMin) + ", " + G(x.Amps) + ", " + G(x.AmpsMax),
                                x.ConstantVoltsOrAmps ? QStringLiteral("Current") : QStringLiteral("Voltage"),
                                G(x.Power),
                                G(x.Resistance),
                                G(x.MomentNIA),
                                G(x.LPFilterOrderandCutoff[0]) + ", " + G(x.LPFilterOrderandCutoff[1]),
                                relays.isEmpty() ? None : relays.join(", "),
                                G(x.FullWaveformRepetitionFrequency),
                                I(x.NoGates),
                                I(x.TimeBaseNumber),
                                signs.isEmpty() ? None : signs.join(" ")});
        }
        AddRecordGrid(doc_, g, 3);

        for (int t = 1; t <= numTx_; ++t) {
            const TTransmitter& x = cfg_.Tx[t];
            const int sides = std::clamp(x.LoopSides, 0, MaxLoopSides - 1);
            doc_.heading(TxLabel(cfg_, t) + QStringLiteral(": loop corners"), 3, false, 40);
            ReportTable corners;
            corners.header = {"Node", "X (m)", "Y (m)", "Z (m)", "Side to the next node (m)"};
            corners.align = {Qt::AlignRight, Qt::AlignRight, Qt::AlignRight, Qt::AlignRight, Qt::AlignRight};
            for (int k = 0; k < sides; ++k) {
                const int n = (k + 1) % sides;
                const double side =
                    std::hypot(x.NodeX[n] - x.NodeX[k], x.NodeY[n] - x.NodeY[k], x.NodeZ[n] - x.NodeZ[k]);
                corners.rows.push_back(
                    {I(k), Coord(x.NodeX[k]), Coord(x.NodeY[k]), Coord(x.NodeZ[k]), Coord(side)});
            }
            doc_.table(corners);
        }
    }

    void receiversAndChannels()
    {
        doc_.heading(QStringLiteral("Receivers"), 1, true);
        RecordGrid g;
        g.fields = {"Name",
                    "Centroid X, Y, Z (m)",
                    "Orientation, tilt, rotation (\u00b0)",
                    "Measured quantity",
                    "Shape",
                    "Area of one turn (m\u00b2)",
                    "Turns",
                    "Pre-amplifier gain",
                    "Effective area: area \u00d7 turns \u00d7 gain (m\u00b2)",
                    "Equivalent radius (m)",
                    "Sides X, Y (m)",
                    "Low-pass filter order, cut-off (Hz)",
                    "Damping (\u03a9)",
                    "A/D converter gain",
                    "Delay applied before binning (s)"};
        for (int r = 1; r <= numRx_; ++r) {
            const TReceiver& x = cfg_.Rx[r];
            g.names << QStringLiteral("Rx%1").arg(r);
            const int type = std::clamp(int(x.RxType), 0, int(RxTypeNames.size()) - 1);
            g.values.push_back(
                {Q(x.Name), G(x.CentroidX) + ", " + G(x.CentroidY) + ", " + G(x.CentroidZ),
                 Q(x.Orientation) + ", " + G(x.AxisTilt) + ", " + G(x.AxisRotation),
                 Q(std::string(RxTypeNames[std::size_t(type)])), Q(x.Shape), G(x.AreaSingleTurn), I(x.Turns),
                 G(x.PreAmpGain), G(x.AreaNumTurnsxPreAmpxSingleTurn), G(x.EquivRadius),
                 G(x.XSideLength) + ", " + G(x.YSideLength), G(x.FilterOrder) + ", " + G(x.FilterHz),
                 G(x.DampingOhms), G(x.AtoDConvGain), G(x.PreBinAppliedRxDelay)});
        }
        AddRecordGrid(doc_, g, 4);

        doc_.heading(QStringLiteral("Acquisition channels"), 1, false, 200);
        RecordGrid c;
        c.fields = {"Row ID",
                    "Description",
                    "Transmitter",
                    "Moment",
                    "Receiver",
                    "Component",
                    "A/D converter gain",
                    "Gate time shift (s)",
                    "Measurement time delay (s)",
                    "Receiver delay before binning (s)",
                    "Gate 1 adjusted as applied (s)",
                    "Gate 1 adjusted for modelling (s)",
                    "Front gate time (s)",
                    "Gates in the ramp",
                    "Initial gates removed",
                    "Gates removed from",
                    "Gate factor",
                    "Primary field damping factor",
                    "Uniform data STD",
                    "Approximate transmitter current (A)",
                    "System response convolution"};
        for (int ch = 1; ch <= numChn_; ++ch) {
            const ChannelContext x = ContextOf(cfg_, ch);
            const TAcqChn& a = x.chn;
            c.names << QStringLiteral("Chn%1").arg(ch);
            const double rxDelay = x.rx ? x.rx->PreBinAppliedRxDelay : 0;
            QString asApplied = None, modelling = None;
            if (x.tb) {
                const double g1 = x.tb->GateCentre[1];
                asApplied = G(g1 + rxDelay + a.MeaTimeDelay + x.tb->PreBinAppliedSamplingDelay);
                modelling = G(g1 + a.GateTimeShift + a.MeaTimeDelay);
            }
            c.values.push_back({Q(a.RowID),
                                Q(a.Description),
                                TxLabel(cfg_, a.TxNumber),
                                Q(a.TransmitterMoment),
                                RxLabel(cfg_, a.RxCoilNumber),
                                Q(a.ReceiverPolarizationXYZ),
                                a.AtoDConvGain == -1 ? QStringLiteral("not set") : G(a.AtoDConvGain),
                                G(a.GateTimeShift),
                                G(a.MeaTimeDelay),
                                x.rx ? G(rxDelay) : None,
                                asApplied,
                                modelling,
                                a.FrontGateExists ? G(a.FrontGatetime) : QStringLiteral("none"),
                                I(cfg_.SysResp[ch].drivenGatesInRamp),
                                I(a.RemoveInitialGates),
                                a.RemoveGatesFrom == 0 ? QStringLiteral("none") : I(a.RemoveGatesFrom),
                                G(a.GateFactor),
                                G(a.PrimaryFieldDampingFactor),
                                G(a.UniformDataSTD),
                                G(a.TxApproximateCurrent),
                                I(a.SystemResponseConvolution)});
        }
        AddRecordGrid(doc_, c, 4);

        doc_.heading(QStringLiteral("Channel map"), 3, false, 60);
        ReportTable map;
        map.header << QStringLiteral("Transmitter \\ receiver");
        for (int r = 1; r <= numRx_; ++r)
            map.header << QStringLiteral("Rx%1").arg(r);
        for (int t = 1; t <= numTx_; ++t) {
            QStringList row{TxLabel(cfg_, t)};
            for (int r = 1; r <= numRx_; ++r) {
                const int ch = cfg_.AcqChnMapTxRx[t][r];
                row << (ch > 0 ? QStringLiteral("Chn%1").arg(ch) : None);
            }
            map.rows.push_back(row);
        }
        map.boldColumns = {0};
        doc_.table(map);

        doc_.heading(QStringLiteral("Settings for every channel"), 3, false, 60);
        doc_.table(KeyValues({
            {"Front gate delay (s)", G(cfg_.FrontGateDelay)},
            {"Raw data STD calculation",
             cfg_.CalculateRawDataSTD == -1 ? QStringLiteral("not given") : I(cfg_.CalculateRawDataSTD)},
            {"Gate for the power-line monitor", cfg_.GateNoForPowerLineMonitor == -1
                                                    ? QStringLiteral("not given")
                                                    : I(cfg_.GateNoForPowerLineMonitor)},
            {"Transmitter current follows the channels' approximate current",
             YesNo(cfg_.LinkTxApproximateCurrenttoTxAmps)},
        }));
    }

    void timeBases()
    {
        doc_.heading(QStringLiteral("Time bases"), 1, true);
        for (int b = 1; b <= numTb_; ++b) {
            const TTimeBase& tb = cfg_.TimeBase[b];
            doc_.heading(QStringLiteral("Time base %1: %2").arg(b).arg(Q(tb.GateSetName)), 2, false, 160);
            doc_.table(KeyValues({
                {"Gate set", Q(tb.GateSetName) + QStringLiteral(" (known set %1)").arg(tb.GateSetKnownIndex)},
                {"Gate file", Q(tb.TimeGateFileName)},
                {"Gates in the set", I(tb.NumGatesInSet)},
                {"Power-line base frequency (Hz)", I(tb.PowerlineBaseFrequency)},
                {"A/D sampling rate (samples/s)", I(tb.AnalDigConvSamplingRate)},
                {"Sampling delay before binning (s)", G(tb.PreBinAppliedSamplingDelay)},
                {"Stacks (full waveform)", I(tb.FullWaveformStacks)},
            }));

            ReportTable users;
            users.header = {"Transmitter",         "Repetition frequency (Hz)", "Period (s)",
                            "Off/on duration (s)", "Stacking time (s)",         "Gates used"};
            users.align = {Qt::AlignLeft,  Qt::AlignRight, Qt::AlignRight,
                           Qt::AlignRight, Qt::AlignRight, Qt::AlignRight};
            for (int t = 1; t <= numTx_; ++t) {
                const TTransmitter& x = cfg_.Tx[t];
                if (x.TimeBaseNumber != b)
                    continue;
                const double f = x.FullWaveformRepetitionFrequency;
                const bool ok = f > 0 && std::isfinite(f);
                users.rows.push_back({TxLabel(cfg_, t), G(f), ok ? G(1 / f) : None, ok ? G(1 / f / 4) : None,
                                      ok ? G(tb.FullWaveformStacks / f) : None, I(x.NoGates)});
            }
            if (!users.rows.empty())
                doc_.table(users);

            gateTable(b);
            for (int ch = 1; ch <= numChn_; ++ch)
                if (ContextOf(cfg_, ch).tbNumber == b)
                    timeLine(ch);
        }
    }

    void gateTable(int b)
    {
        const TTimeBase& tb = cfg_.TimeBase[b];
        const int n = Count(tb.NumGatesInSet, MaxGates);
        doc_.heading(QStringLiteral("Gates of time base %1").arg(b), 3, false, 60);
        ReportTable t;
        t.header = {"Gate", "Centre (s)", "Width (s)", "Open (s)", "Close (s)", "Used by", "In the ramp for"};
        t.align = {Qt::AlignRight, Qt::AlignRight, Qt::AlignRight, Qt::AlignRight, Qt::AlignRight};
        for (int g = 1; g <= n; ++g) {
            QStringList used, ramp;
            for (int tx = 1; tx <= numTx_; ++tx)
                if (cfg_.Tx[tx].TimeBaseNumber == b && g <= cfg_.Tx[tx].NoGates)
                    used << QStringLiteral("Tx%1").arg(tx);
            for (int ch = 1; ch <= numChn_; ++ch)
                if (ContextOf(cfg_, ch).tbNumber == b && g <= cfg_.SysResp[ch].drivenGatesInRamp)
                    ramp << QStringLiteral("Chn%1").arg(ch);
            t.rows.push_back({I(g), GateTime(tb.GateCentre[g]), GateTime(tb.GateWidth[g]),
                              GateTime(tb.drivenGateStart[g]), GateTime(tb.drivenGateEnd[g]), used.join(", "),
                              ramp.join(", ")});
        }
        doc_.table(t);
    }

    /// The gates of one channel beside its transmitter's ramp, as the time base window draws them.
    void timeLine(int ch)
    {
        const ChannelContext x = ContextOf(cfg_, ch);
        if (!x.tx || !x.tb)
            return;
        const TTimeBase& tb = *x.tb;
        const TAcqChn& a = x.chn;
        const double rxDelay = x.rx ? x.rx->PreBinAppliedRxDelay : 0;
        const int inRamp = cfg_.SysResp[ch].drivenGatesInRamp;
        PlotSeries output{"Shifted Output File Gate Centres",
                          QColor(30, 90, 200),
                          {},
                          false,
                          false,
                          false,
                          1,
                          PlotMarker::Triangle};
        PlotSeries rampGates{"Gates in the ramp", QColor(230, 120, 0), {}, false, false, false, 1,
                             PlotMarker::Triangle};
        PlotSeries instrument{"Gates with reference to Tx Ramp Start Trigger",
                              QColor(160, 20, 40),
                              {},
                              false,
                              false,
                              false,
                              1,
                              PlotMarker::Cross};
        double latest = 0, earliest = 1e-6;
        for (int g = 1; g <= std::min(x.gates, MaxGates); ++g) {
            const double out = tb.GateCentre[g] - a.GateTimeShift + a.MeaTimeDelay;
            const double ins = tb.GateCentre[g] + tb.PreBinAppliedSamplingDelay + rxDelay + a.MeaTimeDelay;
            (g <= inRamp ? rampGates : output).points.push_back({out, 0.6});
            instrument.points.push_back({ins, 0.2});
            for (double v : {out, ins})
                if (v > 0 && std::isfinite(v)) {
                    latest = std::max(latest, v);
                    earliest = std::min(earliest, v);
                }
        }
        PlotSeries ramp{"Ramp", QColor(90, 110, 140), {}, true, true, false, 0.8, PlotMarker::None};
        const TTxWaveform& w = *x.wave;
        const int points = Count(w.WaveformPointsDigitized, MaxWaveformPoints);
        for (int i = 1; i <= points; ++i)
            if (w.WaveformPointTimes[i] >= 0 && w.WaveformPointTimes[i] > 0)
                earliest = std::min(earliest, w.WaveformPointTimes[i]);
        Plot plot;
        plot.x.log = true;
        plot.x.title = QStringLiteral("Time from the start of the ramp (s)");
        plot.x.min = std::pow(10.0, std::floor(std::log10(earliest) + 1e-9));
        plot.x.max =
            latest > plot.x.min ? std::pow(10.0, std::ceil(std::log10(latest) - 1e-9)) : plot.x.min * 1000;
        for (int i = 1; i <= points; ++i)
            if (w.WaveformPointTimes[i] >= 0)
                ramp.points.push_back({std::max(w.WaveformPointTimes[i], plot.x.min),
                                       std::min(1.0, std::fabs(w.WaveformPointAmplitudes[i])) * 0.95});
        plot.title = QStringLiteral("Time line of channel %1 (%2): %3, time base %4")
                         .arg(ch)
                         .arg(Q(a.RowID))
                         .arg(TxLabel(cfg_, x.txNumber))
                         .arg(x.tbNumber);
        plot.y.min = 0;
        plot.y.max = 1;
        plot.y.labels = {{0.2, QStringLiteral("Instrument")}, {0.6, QStringLiteral("Output")}};
        plot.series = {ramp, output, rampGates, instrument};
        if (w.drivenRamp > 0)
            plot.markLines.push_back(
                {1.1 * w.drivenRamp, QStringLiteral("1.1 \u00d7 ramp"), QColor(200, 60, 0)});
        doc_.figure(150, [plot](QPainter& p, const QRectF& r) { PaintPlot(p, r, plot); });
    }

    void waveforms()
    {
        doc_.heading(QStringLiteral("Transmitter waveforms"), 1, true);
        for (int t = 1; t <= numTx_; ++t) {
            const TTxWaveform& w = cfg_.TxWaveform[t];
            const int n = Count(w.WaveformPointsDigitized, MaxWaveformPoints);
            doc_.heading(TxLabel(cfg_, t), 2, false, 200);
            doc_.table(KeyValues({{"Waveform points", I(w.WaveformPointsDigitized)},
                                  {"Ramp (s)", G(w.drivenRamp)},
                                  {"Waveform file", Q(w.WaveformFilename)}}));
            PlotSeries s{"Tx" + I(t), t == 1 ? QColor(200, 30, 30) : QColor(20, 140, 60),
                         {},          true,
                         false,       false,
                         1.2,         PlotMarker::Square};
            for (int i = 1; i <= n; ++i)
                s.points.push_back({w.WaveformPointTimes[i], w.WaveformPointAmplitudes[i]});
            Plot whole;
            whole.title = QStringLiteral("Digitized waveform");
            whole.x.title = QStringLiteral("Time (s)");
            whole.y.title = QStringLiteral("Relative amplitude");
            whole.series = {s};
            Plot turnOff = whole;
            turnOff.title = QStringLiteral("Turn-off");
            if (n >= 2) {
                const double end = w.WaveformPointTimes[n];
                double ramp = w.drivenRamp > 0 ? w.drivenRamp : end - w.WaveformPointTimes[n - 1];
                if (!(ramp > 0) || !std::isfinite(ramp))
                    ramp = 1e-6;
                turnOff.x.min = end - 3 * ramp;
                turnOff.x.max = end + 2 * ramp;
            }
            const auto [ylo, yhi] = AxisRange(whole, false);
            whole.y.min = turnOff.y.min = ylo;
            whole.y.max = turnOff.y.max = yhi;
            doc_.figure(170, [whole, turnOff](QPainter& p, const QRectF& r) {
                const double gap = 14, w2 = (r.width() - gap) / 2;
                PaintPlot(p, QRectF(r.left(), r.top(), w2, r.height()), whole);
                PaintPlot(p, QRectF(r.left() + w2 + gap, r.top(), w2, r.height()), turnOff);
            });
            ReportTable pts;
            pts.header = {"Point", "Time (s)", "Amplitude"};
            pts.align = {Qt::AlignRight, Qt::AlignRight, Qt::AlignRight};
            for (int i = 1; i <= n; ++i)
                pts.rows.push_back(
                    {I(i), WavePoint(w.WaveformPointTimes[i]), WavePoint(w.WaveformPointAmplitudes[i])});
            doc_.table(pts);
        }
    }

    void systemResponses()
    {
        doc_.heading(QStringLiteral("System responses and noise"), 1, true);
        doc_.paragraph(
            QStringLiteral("Amplitudes in volts per ampere of transmitter current per square metre of "
                           "effective receiver area, V/(A\u00b7m\u00b2). The noise model gives a standard "
                           "deviation of N \u00b7 t^s at a gate centre t in milliseconds, from the noise "
                           "level N at 1 ms and the log-log slope s."),
            8);
        for (int ch = 1; ch <= numChn_; ++ch) {
            const ChannelContext x = ContextOf(cfg_, ch);
            const TSystemResponse& r = cfg_.SysResp[ch];
            doc_.heading(QStringLiteral("Channel %1 (%2): %3, %4")
                             .arg(ch)
                             .arg(Q(x.chn.RowID))
                             .arg(TxLabel(cfg_, x.chn.TxNumber))
                             .arg(RxLabel(cfg_, x.chn.RxCoilNumber)),
                         2, false, 200);
            std::vector<std::pair<QString, QString>> rows = {
                {"System response",
                 r.SysRespExists ? (r.Seed0FwdOr1Eqn == 1
                                        ? QStringLiteral("seeded from the equation model")
                                        : QStringLiteral("seeded from field data minus the forward model"))
                                 : QStringLiteral("none defined")},
                {"Noise level at 1 ms (V/(A\u00b7m\u00b2))", G(r.NoiseAt1mSinVperAm2)},
                {"Noise log-log slope", G(r.NoiseLogLogSlopeinVperS)},
            };
            if (r.SysRespExists) {
                rows.insert(
                    rows.end(),
                    {{"Late time constant (s), magnitude", G(r.LateTimeConst) + ", " + G(r.LateInitMagn)},
                     {"Receiver time constant (s), magnitude", G(r.RxTimeConst) + ", " + G(r.RxInitMagn)},
                     {"Oscillation magnitude, frequency (Hz), damping",
                      G(r.OscillInitMagn) + ", " + G(r.OscillFreq) + ", " + G(r.OscillDamp)},
                     {"Low-pass frequency (Hz), order", G(r.LowPassFreq) + ", " + G(r.LowPassOrder)},
                     {"Simulated receiver delay (\u00b5s)", G(r.SimulRxDelay_uS)},
                     {"Response file", Q(r.SysRespFilename)}});
            }
            doc_.table(KeyValues(rows));
            if (!x.tb || x.gates == 0)
                continue;

            PlotSeries noise{"Noise standard deviation", QColor(120, 120, 120), {}, true, false, true, 1.0,
                             PlotMarker::Circle};
            PlotSeries resp{"System response (magnitude)",
                            QColor(30, 90, 200),
                            {},
                            true,
                            false,
                            false,
                            1.2,
                            PlotMarker::Square};
            ReportTable t;
            t.header = {"Gate", "Centre (s)"};
            if (r.SysRespExists)
                t.header << "System response";
            t.header << "Noise standard deviation";
            t.align = {Qt::AlignRight, Qt::AlignRight, Qt::AlignRight, Qt::AlignRight};
            for (int g = 1; g <= x.gates; ++g) {
                const double centre = x.tb->GateCentre[g];
                noise.points.push_back({centre, r.NoiseStdVperAm2[g]});
                QStringList row{I(g), GateTime(centre)};
                if (r.SysRespExists) {
                    resp.points.push_back({centre, std::fabs(r.SysRespAmplitudes[g])});
                    row << G(r.SysRespAmplitudes[g]);
                }
                row << G(r.NoiseStdVperAm2[g]);
                t.rows.push_back(row);
            }
            Plot plot;
            plot.title = QStringLiteral("Channel %1 per gate").arg(ch);
            plot.x.log = plot.y.log = true;
            plot.x.title = QStringLiteral("Gate centre (s)");
            plot.y.title = QStringLiteral("V/(A\u00b7m\u00b2)");
            if (r.SysRespExists)
                plot.series.push_back(resp);
            plot.series.push_back(noise);
            doc_.figure(200, [plot](QPainter& p, const QRectF& rect) { PaintPlot(p, rect, plot); });
            doc_.paragraph(
                QStringLiteral("Per-gate values as stored in the configuration (NoiseStdVperAm2%1); they are "
                               "not recomputed from the noise level and slope above.")
                    .arg(r.SysRespExists ? QStringLiteral(", SysRespAmplitudes") : QString()),
                7.5, true);
            doc_.table(t);
        }
    }

    void vehicle()
    {
        const TVehicle& v = cfg_.Vehicle;
        doc_.heading(QStringLiteral("Vehicle geometry"), 1, true);
        const int prop = std::clamp(int(v.Propulsion), 0, int(PropulsionNames.size()) - 1);
        doc_.table(KeyValues({
            {"Propulsion", Q(std::string(PropulsionNames[std::size_t(prop)]))},
            {"Trailer axle X (m)", G(v.TrailerX)},
            {"Tow ball X (m)", G(v.TractorTowBallX)},
            {"Fixed axle X (m)", G(v.TractorFixedX)},
            {"Steering axle X (m)", G(v.TractorSteerX)},
            {"Wheel base (m)", G(v.WheelBase)},
            {"Wheel track (m)", G(v.WheelTrack)},
            {"Sling length (m), tilt (\u00b0)", G(v.SlingLength) + ", " + G(v.SlingTilt)},
            {"Fixtures: GNSS 1, GNSS 2", I(v.GNSSAntennaFixture) + ", " + I(v.GNSSAntenna2Fixture)},
            {"Fixtures: transmitter loop", I(v.TransmitterLoopFixture)},
            {"Fixtures: receivers 1, 2, 3",
             I(v.ReceiverLoop1Fixture) + ", " + I(v.ReceiverLoop2Fixture) + ", " + I(v.ReceiverLoop3Fixture)},
            {"Photo", Q(v.PhotoFilename)},
        }));
        doc_.heading(QStringLiteral("Sensors"), 3, false, 80);
        struct Sensor {
            const char* name;
            double x, y, z;
            bool fitted;
        };
        const Sensor sensors[] = {
            {"GNSS antenna", v.GNSSX, v.GNSSY, v.GNSSZ, v.GNSSExists},
            {"GNSS antenna 2", v.GNSS2X, v.GNSS2Y, v.GNSS2Z, v.GNSS2Exists},
            {"Differential GNSS", v.DifferentialGNSSX, v.DifferentialGNSSY, v.DifferentialGNSSZ,
             v.DifferentialGNSSExists},
            {"Differential GNSS 2", v.DifferentialGNSS2X, v.DifferentialGNSS2Y, v.DifferentialGNSS2Z,
             v.DifferentialGNSS2Exists},
            {"Altimeter", v.AltimeterX, v.AltimeterY, v.AltimeterZ, v.AltimeterExists},
            {"Altimeter 2", v.Altimeter2X, v.Altimeter2Y, v.Altimeter2Z, v.Altimeter2Exists},
            {"Inclinometer", v.InclinometerX, v.InclinometerY, v.InclinometerZ, v.InclinometerExists},
            {"Inclinometer 2", v.Inclinometer2X, v.Inclinometer2Y, v.Inclinometer2Z, v.Inclinometer2Exists},
            {"Sonar", v.SonarX, v.SonarY, v.SonarZ, v.SonarExists},
        };
        ReportTable t;
        t.header = {"Sensor", "Fitted", "X (m)", "Y (m)", "Z (m)"};
        t.align = {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignRight, Qt::AlignRight, Qt::AlignRight};
        for (const Sensor& s : sensors)
            t.rows.push_back({QString::fromLatin1(s.name), YesNo(s.fitted), G(s.x), G(s.y), G(s.z)});
        doc_.table(t);
    }
};

} // namespace

void EnsureGuiApplication()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (QCoreApplication::instance())
        throw ActionError("The report needs fonts, which this process cannot load");
    // Qt cannot start a second application in a process after the first has gone, so this one
    // stays until the process ends.
    static int argc = 3;
    static char name[] = "temsetrix", platformOption[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, platformOption, platform, nullptr};
    new QGuiApplication(argc, argv);
}

QString FileCrcText(const QString& fileName)
{
    QFile f(fileName);
    if (fileName.isEmpty() || !f.open(QIODevice::ReadOnly))
        return {};
    f.close();
    return Q(FormatHex(CalcCRC32(fileName.toStdString())));
}

QByteArray RenderSystemReport(const Configuration& cfg, const ReportSource& source, int& pages)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);

    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    writer.setResolution(1200);
    writer.setCreator(ProgramName + " " + ProgramVersion);
    const QString name = source.fileName.isEmpty() ? QStringLiteral("(configuration not saved)")
                                                   : QFileInfo(source.fileName).fileName();
    writer.setTitle(QStringLiteral("System description: ") + name);

    QPainter painter;
    if (!painter.begin(&writer))
        throw InOutError("Could not lay out the report");
    // One unit is a point from here on, on every page.
    const double scale = writer.resolution() / 72.0;
    painter.scale(scale, scale);
    const QSizeF page = QPageSize(QPageSize::A4).size(QPageSize::Point);
    ReportDocument doc(painter, page, QStringLiteral("System description"), name,
                       ProgramName + " " + ProgramVersion + " \u00b7 " +
                           source.created.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    Builder(cfg, source, doc).build();
    bool paged = true;
    doc.paint([&] {
        paged = writer.newPage();
        return paged;
    });
    if (!painter.end() || !paged)
        throw InOutError("Could not lay out the report");
    pages = doc.pageCount();
    return bytes;
}

int WriteSystemReport(const Configuration& cfg, const ReportSource& source, const QString& pdfFile)
{
    const QString shown = QFileInfo(pdfFile).absoluteFilePath();
    try {
        // Refused before the work of laying it out: the configuration itself, a folder, a device,
        // a FIFO, a read-only file.
        if (!source.fileName.isEmpty())
            RequireDistinctFiles(pdfFile.toStdString(), source.fileName.toStdString());
        RequireReplaceable(pdfFile.toStdString());
        int pages = 0;
        const QByteArray bytes = RenderSystemReport(cfg, source, pages);
        WriteFileReplacing(pdfFile.toStdString(),
                           std::string_view(bytes.constData(), std::size_t(bytes.size())));
        return pages;
    } catch (const InOutError& e) {
        throw InOutError("Could not write the report " + shown.toStdString() + ": " + e.what());
    }
}

} // namespace tem::report
