#pragma once
// The instrument's pages: the page of each main tab and the wavetable popup, for the
// programs to hand to the GUIManager.
#include "app/PageFactory.h"

const PageFactory& StandardPages();
