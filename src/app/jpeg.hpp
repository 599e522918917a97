// JPEG pictures that ship inside the program, decoded with libjpeg.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

/// Decodes a whole JPEG stream held in memory into an RGB image.
/// A warning of the decoder (for instance a stream that ends early) counts as a fault:
/// the picture is either whole or refused.
/// @throws nivora::ErroNivora with a clear message when the data is empty, is not a
///         JPEG, is corrupt or truncated, or the picture is too large to hold.
QImage DecodificarJpeg(const QByteArray& dados);

/// Reads a JPEG file (a Qt resource path such as ":/imagens/logo.jpg" or a plain path)
/// and decodes it with DecodificarJpeg.
/// @throws nivora::ErroNivora when the file cannot be read or does not decode.
QImage CarregarJpeg(const QString& caminho);
