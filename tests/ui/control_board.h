// In-memory controls for the options dialog's model: sliders and spin boxes
// that keep their positions within their ranges as the real ones do, texts,
// check boxes,
// and scripted answers of the open-file dialog. Records what the model asked
// of its window.
#pragma once

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/options_dialog_controls.h"

namespace skyweave::testing {

struct SliderState {
    int minimum = 0;
    int maximum = 100;
    int position = 0;
    int tickFrequency = 1;
};

class ControlBoard final : public OptionsDialogControls {
  public:
    void SetSliderRange(int id, int minimum, int maximum) override {
        SliderState& slider = sliders[id];
        slider.minimum = minimum;
        slider.maximum = maximum;
        slider.position = std::clamp(slider.position, minimum, std::max(minimum, maximum));
    }
    void SetSliderTickFrequency(int id, int frequency) override {
        sliders[id].tickFrequency = frequency;
    }
    void SetSliderPosition(int id, int position) override {
        SliderState& slider = sliders[id];
        slider.position =
            std::clamp(position, slider.minimum, std::max(slider.minimum, slider.maximum));
    }
    int GetSliderPosition(int id) const override { return sliders.at(id).position; }
    // Spin boxes keep their value in range as sliders do.
    void SetSpinRange(int id, int minimum, int maximum) override {
        SliderState& spin = spins[id];
        spin.minimum = minimum;
        spin.maximum = std::max(minimum, maximum);
        spin.position = std::clamp(spin.position, spin.minimum, spin.maximum);
    }
    void SetSpinValue(int id, int value) override {
        SliderState& spin = spins[id];
        spin.position = std::clamp(value, spin.minimum, spin.maximum);
    }
    int GetSpinValue(int id) const override { return spins.at(id).position; }
    void SetItemText(int id, std::string_view text) override { texts[id] = std::string(text); }
    std::string GetItemText(int id) const override {
        const auto found = texts.find(id);
        return found == texts.end() ? std::string() : found->second;
    }
    void SetCheck(int id, bool checked) override { checks[id] = checked; }
    bool GetCheck(int id) const override {
        const auto found = checks.find(id);
        return found != checks.end() && found->second;
    }
    std::optional<std::string> ChooseFileToOpen(const OpenFileRequest& request) override {
        requests.push_back(request);
        return nextChoice;
    }
    void RunAboutBox() override { ++aboutBoxes; }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    void EndDialog(int result) override { endResult = result; }

    std::map<int, SliderState> sliders;
    std::map<int, SliderState> spins;
    std::map<int, std::string> texts;
    std::map<int, bool> checks;
    std::optional<std::string> nextChoice;
    std::vector<OpenFileRequest> requests;
    int aboutBoxes = 0;
    std::vector<std::string> errors;
    std::optional<int> endResult;
};

}  // namespace skyweave::testing
