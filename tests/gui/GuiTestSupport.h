#pragma once
// A main window on a temporary data folder, with the recording operator and scripted dialogs.

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/Session.h"
#include "config/TFormTEMConfig.h"
#include "support/dual_moment.h"

namespace tem::gui::test {

struct MainWindowFixture {
    QTemporaryDir dir;
    RecordingOperator op;
    ScriptedFileDialogs dialogs;
    Session session;
    std::unique_ptr<TFormTEMConfig> form;

    MainWindowFixture() : session(DataFolders::Under(dir.path().toStdString() + "/shared/"), op, dialogs) {}

    /// The configuration folder (created by the window at start).
    std::string folder() const { return session.folders.temConfig; }
    Configuration& cfg() { return session.cfg; }

    TFormTEMConfig& create()
    {
        form = std::make_unique<TFormTEMConfig>(session);
        return *form;
    }

    template <class T> T* get(const char* name) const
    {
        T* w = form->findChild<T*>(name);
        if (!w)
            qFatal("no control named %s", name);
        return w;
    }

    bool shown(const std::string& text) const
    {
        return std::find(op.messages.begin(), op.messages.end(), text) != op.messages.end();
    }
    bool shownStartingWith(const std::string& text) const
    {
        return std::any_of(op.messages.begin(), op.messages.end(),
                           [&](const std::string& m) { return m.rfind(text, 0) == 0; });
    }
};

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

/// A two-moment configuration: a 40 m square loop (LM) and a 20 m square loop (HM) round the
/// origin, two receivers behind them, a tractor and trailer.
inline void FillDualMoment(Configuration& c)
{
    c.NumTx = 2;
    c.NumRx = 2;
    for (int t = 1; t <= 2; ++t) {
        TTransmitter& tx = c.Tx[t];
        tx = DefaultTransmitter();
        tx.Name = t == 1 ? "LowMoment" : "HighMoment";
        tx.MomentID = t == 1 ? TMomentID::LM : TMomentID::HM;
        testmodels::SquareLoop(tx, t == 1 ? 20 : 10, -0.5);
    }
    for (int r = 1; r <= 3; ++r) {
        c.Rx[r] = DefaultReceiver();
        c.Rx[r].Name = "Rx" + std::to_string(r);
        c.Rx[r].CentroidX = -25 - r;
        c.Rx[r].CentroidZ = -0.5;
    }
    c.Vehicle = DefaultVehicle();
    c.Vehicle.Propulsion = TPropulsion::propTractor;
    c.Vehicle.TrailerX = -5;
    c.Vehicle.TractorTowBallX = 2;
    c.Vehicle.TractorFixedX = 4;
    c.Vehicle.TractorSteerX = 7;
    c.Vehicle.WheelTrack = 2;
    c.Vehicle.GNSSX = 5;
    c.Vehicle.GNSSZ = -3;
    c.Description = "Dual moment test system";
    c.DataType = "GroundTEM";
}

} // namespace tem::gui::test
