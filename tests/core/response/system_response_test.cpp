// The system-response equation, seeding, noise model and forward-model amplitudes.
#include <gtest/gtest.h>

#include <cmath>

#include "core/forward/forward_test_support.h"
#include "core/response/system_response.h"

namespace tem::forwardtest {
namespace {

TSystemResponse OnlyLateTerm()
{
    TSystemResponse r;
    r.LateInitMagn = 1;
    r.LateTimeConst = 1e-3;
    r.RxTimeConst = 1;
    return r;
}

TEST(Equation, TermsDelayAndEarlyGates)
{
    TSystemResponse r = OnlyLateTerm();
    r.SimulRxDelay_uS = 8.5;
    // 1 ms after the ramp end and the delay: e^-1.
    EXPECT_NEAR(EquationAmplitude(r, 1e-3 + 8.5e-6 + 20e-6, 20e-6), std::exp(-1.0), 1e-12);
    r.RxInitMagn = 0.25;
    EXPECT_EQ(EquationAmplitude(r, 8.5e-6 + 20e-6 + 0.8e-6, 20e-6), 0.25); // before 0.9 us

    TSystemResponse d;
    SetDefaultEquation(d);
    EXPECT_EQ(d.LateTimeConst, 0.0003);
    EXPECT_EQ(d.RxInitMagn, 0.002);
    EXPECT_EQ(d.OscillFreq, 12000);
    EXPECT_EQ(d.SimulRxDelay_uS, 8.5);
    const double tau = 50e-6;
    const double w = std::sqrt(std::pow(2 * M_PI * 12000, 2) - 8000.0 * 8000.0);
    const double expected = 3e-7 * std::exp(-tau / 3e-4) + 0.002 * std::exp(-tau / 3e-7) +
                            1e-7 * std::exp(-8000 * tau) * std::cos(w * tau) +
                            0.002 * std::exp(-2 * M_PI * 60000 * tau);
    EXPECT_NEAR(EquationAmplitude(d, tau + 8.5e-6, 0), expected, 1e-18);
    // Past critical damping: exp(-a t) cosh(b t), b = sqrt(a^2 - (2 pi f)^2).
    d.OscillDamp = 1e6;
    const double b = std::sqrt(1e12 - std::pow(2 * M_PI * 12000, 2));
    const double over = 3e-7 * std::exp(-tau / 3e-4) + 0.002 * std::exp(-tau / 3e-7) +
                        1e-7 * std::exp(-1e6 * tau) * std::cosh(b * tau) +
                        0.002 * std::exp(-2 * M_PI * 60000 * tau);
    EXPECT_NEAR(EquationAmplitude(d, tau + 8.5e-6, 0), over, 1e-18);
    EXPECT_TRUE(std::isfinite(EquationAmplitude(d, 1.0, 0))); // late times neither overflow nor NaN
}

TEST(Noise, LevelSlopeAndFloors)
{
    EXPECT_NEAR(NoiseStd(2e-9, -0.5, 1e-3, false), 2e-9, 1e-24);
    EXPECT_NEAR(NoiseStd(2e-9, -0.5, 4e-3, false), 1e-9, 1e-24);
    EXPECT_EQ(NoiseStd(0, -0.5, 1e-3, false), 0);
    EXPECT_EQ(NoiseStd(2e-9, -0.5, 0, false), 0);
    EXPECT_GT(NoiseStd(0, -0.5, 1e-3, true), 0);
    EXPECT_TRUE(std::isfinite(NoiseStd(2e-9, -0.5, 0, true)));

    Configuration cfg = SmallConfiguration(3);
    CommitNoiseEdits(cfg, 1, "not a number", "", ForwardWindowNoiseFallback, false);
    EXPECT_EQ(cfg.SysResp[1].NoiseAt1mSinVperAm2, 2e-8);
    EXPECT_EQ(cfg.SysResp[1].NoiseLogLogSlopeinVperS, -0.5);
    EXPECT_NEAR(cfg.SysResp[1].NoiseStdVperAm2[2], 2e-8 * std::pow(0.03, -0.5), 1e-20);
}

TEST(Seeding, FieldMinusModelOrEquation)
{
    TSystemResponse r;
    r.FieldAmplitudes[1] = 5;
    r.FwdModelAmplitudes[1] = 2;
    r.EqnModelAmplitudes[1] = 7;
    r.FieldAmplitudes[2] = 9;
    SeedSystemResponse(r, 0, 1);
    EXPECT_EQ(r.SysRespAmplitudes[1], 3);
    EXPECT_EQ(r.SysRespAmplitudes[2], 0); // beyond the points shown
    EXPECT_TRUE(r.SysRespExists);
    SeedSystemResponse(r, 1, 1);
    EXPECT_EQ(r.SysRespAmplitudes[1], 7);
    EXPECT_EQ(r.Seed0FwdOr1Eqn, 1);
}

TEST(ForwardAmplitudes, FilledAfterTheRampGates)
{
    Configuration cfg = SmallConfiguration(5);
    cfg.SysResp[1].drivenGatesInRamp = 3;
    for (int g = 1; g <= 5; ++g)
        cfg.SysResp[1].FwdModelAmplitudes[g] = -g;
    ForwardResults results;
    results.dBdtTEM.resize(1, 2, 1);
    results.FwdModelOutputGates[1] = 2;
    results.dBdtTEM(0, 1, 1) = 0.5;
    results.dBdtTEM(0, 2, 1) = 0.25;
    FwdModelAmplitudesFromRun(cfg, 1, results);
    const auto& a = cfg.SysResp[1].FwdModelAmplitudes;
    EXPECT_EQ(a[1], -1);
    EXPECT_EQ(a[3], -3);
    EXPECT_EQ(a[4], 0.5);
    EXPECT_EQ(a[5], 0.25);
}

} // namespace
} // namespace tem::forwardtest
