// Snowfall: a fixed population of tumbling snowflakes in a 200 x 200 column above the ground.
#pragma once

#include <vector>

struct Snowflake {
    float x;
    float y;
    float z;
    float rotX;
    float rotY;
    float rotZ;

    // Draws its height from the random source; the angles start at 0.
    Snowflake(float xPos, float zPos);
    // Falls one unit per 30 ms and spins ten degrees per millisecond on every axis.
    void update(float frameMs);
    // One quad; the caller has bound the texture and set the world transform.
    void draw() const;
};

extern std::vector<Snowflake> snowflakes;

void fillSnowfall(int count);

// Brings an angle above 360 into the range above 0 up to and including 360.
float reduceAngle(float degrees);
