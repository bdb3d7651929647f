// Scene set-up and the frame: fixed render state, the tree, the camera, the world turn, draw order.
#pragma once

class MeshModel;

// The one model, created by initScene and never destroyed.
extern MeshModel *treeModel;

bool initScene();
bool drawScene();
