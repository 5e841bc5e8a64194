#pragma once
// The headphone/line level on the codec's "Master" mixer element, set from the front
// panel's level control.

// The playback volume for a level in percent of the element's maximum; the percent is
// taken as a whole number and held to 0..100. -1 for a level that is no number.
long HeadphoneVolume(long maximum, float percent);

// Sets every playback channel of "Master" on the "snd_rpi_proto" card; prints what fails.
// A level that is no number changes nothing.
void SetHeadphoneLevel(float percent);
