#pragma once
// NeuQuant neural-net colour quantiser: learns a 256-colour palette for a
// picture of b, g, r byte triples and maps colours to the nearest neuron.
// One network at a time (module state, not thread-safe). Call in this order:
// NeuQuantInit, NeuQuantLearn, NeuQuantUnbias, NeuQuantGetColour for the
// palette, NeuQuantBuildIndex, then NeuQuantSearch per pixel.
#include <cstdint>
#include <cstdio>

// Stores the picture (3 bytes per pixel, b, g, r; `length` bytes; it must
// stay alive through NeuQuantLearn) and the sample factor (1..30, 1 examines
// every pixel), and spreads the neurons along the grey axis.
void NeuQuantInit(const uint8_t* picture, int32_t length, int32_t sampleFactor);
// Trains the network on the picture.
void NeuQuantLearn();
// Drops the fraction bits of the colours and numbers the neurons.
void NeuQuantUnbias();
// Channel 0 = red, 1 = green, 2 = blue of neuron i; 0 outside 0..255 / 0..2.
int32_t NeuQuantGetColour(int32_t i, int32_t channel);
// Sorts the network by green and builds the green index for searches.
void NeuQuantBuildIndex();
// Palette index of the neuron nearest to (b, g, r) (channels taken 0..255).
int32_t NeuQuantSearch(int32_t b, int32_t g, int32_t r);
// Writes the 256 red values, then the greens, then the blues.
bool NeuQuantWriteColourMap(FILE* stream);
