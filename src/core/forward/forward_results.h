#pragma once
// The forward result store, sized to the run: values per model (from 0), returned gate (from 1)
// and acquisition channel (from 1). Every index is checked and throws ListIndexError outside the
// run's size.

#include <string>
#include <vector>

#include "core/action_error.h"
#include "core/bounded_array.h"
#include "core/model/configuration.h"

namespace tem {

/// Values [model 0 .. models-1][gate 1 .. gates][channel 1 .. channels], all zero after resize.
template <class T> class ResultCube {
  public:
    void resize(int models, int gates, int channels)
    {
        models_ = models < 0 ? 0 : models;
        gates_ = gates < 0 ? 0 : gates;
        channels_ = channels < 0 ? 0 : channels;
        values_.assign(std::size_t(models_) * std::size_t(gates_) * std::size_t(channels_), T{});
    }
    T& operator()(int model, int gate, int channel) { return values_[offset(model, gate, channel)]; }
    const T& operator()(int model, int gate, int channel) const
    {
        return values_[offset(model, gate, channel)];
    }
    int models() const { return models_; }
    int gates() const { return gates_; }
    int channels() const { return channels_; }

  private:
    std::size_t offset(int model, int gate, int channel) const
    {
        if (model < 0 || model >= models_ || gate < 1 || gate > gates_ || channel < 1 || channel > channels_)
            throw ListIndexError("Result index out of range (model " + std::to_string(model) + ", gate " +
                                 std::to_string(gate) + ", channel " + std::to_string(channel) + ")");
        return (std::size_t(model) * std::size_t(channels_) + std::size_t(channel - 1)) *
                   std::size_t(gates_) +
               std::size_t(gate - 1);
    }
    int models_ = 0, gates_ = 0, channels_ = 0;
    std::vector<T> values_;
};

/// Values [model 0 .. models-1][column 1 .. columns] (a gate or a bipole), all zero after resize.
template <class T> class ResultMatrix {
  public:
    void resize(int models, int columns)
    {
        models_ = models < 0 ? 0 : models;
        columns_ = columns < 0 ? 0 : columns;
        values_.assign(std::size_t(models_) * std::size_t(columns_), T{});
    }
    T& operator()(int model, int column) { return values_[offset(model, column)]; }
    const T& operator()(int model, int column) const { return values_[offset(model, column)]; }
    int models() const { return models_; }
    int columns() const { return columns_; }

  private:
    std::size_t offset(int model, int column) const
    {
        if (model < 0 || model >= models_ || column < 1 || column > columns_)
            throw ListIndexError("Result index out of range (model " + std::to_string(model) + ", column " +
                                 std::to_string(column) + ")");
        return std::size_t(model) * std::size_t(columns_) + std::size_t(column - 1);
    }
    int models_ = 0, columns_ = 0;
    std::vector<T> values_;
};

/// What the last forward run returned and what is derived from it.
struct ForwardResults {
    ResultCube<double> dBdtTEM;     ///< dB/dt per ampere and square metre of receiver area, V/(A m^2)
    ResultCube<double> FwdModTimes; ///< gate time as returned by the engine, s
    ResultCube<double> AppRTEM;     ///< late-time apparent resistivity, ohm-m
    ResultCube<double> LociTEM;     ///< diffusion (loci) depth, m
    OneBased<int, MaxAcqChn> FwdModelOutputGates; ///< gates returned per channel
    ResultMatrix<float>
        RespVoltages; ///< [model][gate or bipole]: dB/dt of channel AcqSel (TDEM), V/A (Direct)
    ResultMatrix<float> ln10responses; ///< [model][gate or bipole]: log10 of the apparent resistivity

    /// Empties every table (a run that failed leaves no old values behind).
    void clear();
};

/// The file names the engine run uses, kept between runs.
struct RunnerFiles {
    std::string AarExename;     ///< the engine; empty: the built-in engine
    std::string MODFilename;    ///< the model file ("fwd.mod" in the work folder)
    std::string CONFilename;    ///< the control file, passed to the engine, never read
    std::string AarTEMFilename; ///< the TEM system file last written
};

} // namespace tem
