#pragma once
// Which copy of the toolkit this is. The instrument and the script module share one source;
// where their behaviour differs the code asks this constant, so both branches are always
// compiled and the tests of each flavour pick their expectations from it.
#if !defined(SYNTH_TOOLKIT_SCRIPT)
#error "build the toolkit through toolkit_app or toolkit_script (SYNTH_TOOLKIT_SCRIPT unset)"
#endif

namespace ux {

inline constexpr bool kScriptFlavour = SYNTH_TOOLKIT_SCRIPT != 0;

}  // namespace ux
