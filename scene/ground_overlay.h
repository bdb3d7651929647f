// The snowy ground square in the turning world and the full-screen overlay facing the camera.
#pragma once

// Expects the world transform; leaves the matrix unchanged.
void drawGround();
// Expects the camera transform alone; returns with the matrix as it found it.
void drawOverlay();
