#include "recording_toolkit.h"

#include <cstdio>

#include "windows/forms.h"

namespace orlanek::testing {
namespace {

class RecordingPeer : public windows::WindowPeer {
 public:
  RecordingPeer(RecordingToolkit& toolkit, const windows::WindowDesign& design)
      : toolkit_(toolkit), name_(design.name), design_(design) {
    ++toolkit_.windows_made;
    Note("Created");
  }
  ~RecordingPeer() override {
    ++toolkit_.windows_destroyed;
    Note("Destroyed");
  }

  void SetTitle(const std::string& title) override { Note("Caption=" + title); }
  void SetEnabled(bool enabled) override { Note(std::string("Enabled=") + (enabled ? "1" : "0")); }
  void SetVisible(bool visible) override { Note(std::string("Visible=") + (visible ? "1" : "0")); }
  void SetLabelCaption(int label, const std::string& caption) override {
    Note(std::string(design_.labels[static_cast<std::size_t>(label)].name) + ".Caption=" + caption);
  }
  void SetShapeFill(int array, int index, windows::OleColour colour, int fill_style) override {
    char text[64];
    std::snprintf(text, sizeof text, "%s(%d).Fill=%06X/%d",
                  design_.shape_arrays[static_cast<std::size_t>(array)].name, index, colour,
                  fill_style);
    Note(text);
  }
  void SetTimerEnabled(bool enabled) override {
    Note(std::string("Timer1.Enabled=") + (enabled ? "1" : "0"));
  }

 private:
  void Note(const std::string& what) { toolkit_.log.push_back(name_ + "." + what); }

  RecordingToolkit& toolkit_;
  std::string name_;
  const windows::WindowDesign& design_;
};

}  // namespace

std::unique_ptr<windows::WindowPeer> RecordingToolkit::MakePeer(windows::Form& form) {
  return std::make_unique<RecordingPeer>(*this, form.Design());
}

void ResetProgram() {
  windows::allMenu().Discard();
  windows::frmMain().Discard();
  windows::allMenu().BindEvents(nullptr);
  windows::frmMain().BindEvents(nullptr);
  ResetProgramLife();
}

}  // namespace orlanek::testing
