// A mesh as the player's X3D subset holds it: points, texture coordinates and
// faces of three or four corners, each corner naming a point and a coordinate.
#pragma once
#include <array>
#include <vector>

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

struct Face {
    int corners = 0;              // 3 or 4
    std::array<int, 4> point{};   // indices into points
    std::array<int, 4> texture{}; // indices into texcoords
};

struct Mesh {
    std::vector<Vec3> points;
    std::vector<std::array<float, 2>> texcoords; // origin bottom left, as X3D writes them
    std::vector<Face> faces;

    int AddPoint(Vec3 p);
    int AddTexcoord(float u, float v);
    // Adds a face of 3 or 4 corners (point, texcoord), turned so that it faces
    // `outward`: the player culls faces that are not clockwise on screen.
    void AddFace(std::vector<std::array<int, 2>> corners, Vec3 outward);
};
