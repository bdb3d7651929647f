// Sparkles: glittering quads flying out from above the tree and returning to it; the list only grows.
#pragma once

#include <vector>

struct Sparkle {
    float x;
    float y;
    float z;
    float dirX;
    float dirY;
    float dirZ;
    float life;

    // Starts at the emission point; the direction is scaled from dx alone.
    Sparkle(float dx, float dy, float dz, int lifeUnits);
    void update(float frameMs);
    void draw() const;
};

extern std::vector<Sparkle> sparkles;

void spawnSparkle();
// Updates and draws every sparkle; expects the camera transform on the modelview matrix.
void drawSparkles();
