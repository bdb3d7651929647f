// Drawing a model in immediate mode, mesh by mesh with its material and texture.
#include "assets/mesh_model.h"

#include "platform/platform.h"

void MeshModel::draw()
{
    const GLboolean texturing = glIsEnabled(GL_TEXTURE_2D);
    for (int32_t m = 0; m < meshCount; ++m) {
        const ModelMesh &mesh = meshes[m];
        if (mesh.materialIndex < 0) {
            // The front material of the last mesh that had one stays in effect.
            glDisable(GL_TEXTURE_2D);
        } else {
            const ModelMaterial &material = materials[mesh.materialIndex];
            glMaterialfv(GL_FRONT, GL_AMBIENT, material.ambient);
            glMaterialfv(GL_FRONT, GL_DIFFUSE, material.diffuse);
            glMaterialfv(GL_FRONT, GL_SPECULAR, material.specular);
            glMaterialfv(GL_FRONT, GL_EMISSION, material.emissive);
            glMaterialf(GL_FRONT, GL_SHININESS, material.shininess);
            if (material.texture != 0) {
                glBindTexture(GL_TEXTURE_2D, material.texture);
                glEnable(GL_TEXTURE_2D);
            } else {
                glDisable(GL_TEXTURE_2D);
            }
        }
        glBegin(GL_TRIANGLES);
        for (int32_t k = 0; k < mesh.triangleCount; ++k) {
            const ModelTriangle &triangle = triangles[mesh.triangleIndices[k]];
            for (int corner = 0; corner < 3; ++corner) {
                glNormal3fv(triangle.normals[corner]);
                glTexCoord2f(triangle.s[corner], triangle.t[corner]);
                glVertex3fv(vertices[triangle.vertexIndices[corner]].position);
            }
        }
        glEnd();
    }
    if (texturing)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
}
