// The effect patch files: any text read with each of the five layouts. What is read is written
// back and must read again as the same patches, and the fields and export arguments must come
// out of every patch in both units.
#include "harness.h"
#include "tonemill/effects/effectarguments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 14)) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (tonemill::EffectKind kind : {tonemill::EffectKind::Echo, tonemill::EffectKind::Flange,
                                    tonemill::EffectKind::Chorus, tonemill::EffectKind::Reverb,
                                    tonemill::EffectKind::Vocoder}) {
    const tonemill::PatchLayout& layout = tonemill::LayoutOf(kind);
    const std::vector<tonemill::Patch> patches = tonemill::ParsePatches(text, layout);
    if (patches.empty()) fuzz::Fail("no patch, not even the default one");
    if (tonemill::ParsePatches(tonemill::PatchFileText(layout, patches), layout) != patches)
      fuzz::Fail("patches do not survive being written and read again");
    for (bool msMode : {true, false}) {
      tonemill::LaunchValues launch;
      launch.msMode = msMode;
      launch.framesPerMs = 44.1;
      launch.rate = 44100;
      for (const tonemill::Patch& p : patches) {
        tonemill::EffectFields f = tonemill::FieldsFromPatch(kind, p, launch);
        switch (kind) {
          case tonemill::EffectKind::Echo: tonemill::EchoArgumentsOf(f, launch); break;
          case tonemill::EffectKind::Flange:
          case tonemill::EffectKind::Chorus: tonemill::FlangeArgumentsOf(f, launch, 44100); break;
          case tonemill::EffectKind::Reverb: tonemill::ReverbArgumentsOf(f, launch); break;
          case tonemill::EffectKind::Vocoder:
            tonemill::VocodeArgumentsOf(f, launch, true);
            tonemill::MakeEquidistant(f);
            break;
        }
      }
    }
  }
  return 0;
}
