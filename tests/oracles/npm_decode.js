// Decodes images with one of the npm decoders.
//   node npm_decode.js DECODER FILE
//     writes "width height\n" and the pixels as RGB bytes, top row first, to standard output;
//     an error goes to standard error with a non-zero exit status.
//   node npm_decode.js DECODER --batch OUTDIR FILE...
//     decodes every FILE in one process: the N-th file's result goes to OUTDIR/N.rgb in the same
//     form, or its error message to OUTDIR/N.err. The caller runs it under a timeout and decodes
//     the files that got neither one by one.
// DECODER is utif, omggif, bmpjs or pngjs.
'use strict';
const fs = require('fs');
const path = require('path');

const modules = path.join(__dirname, 'node_modules');

function fromRgba(width, height, rgba, order) {
    const out = Buffer.alloc(width * height * 3);
    for (let i = 0; i < width * height; i++) {
        for (let c = 0; c < 3; c++) out[3 * i + c] = rgba[4 * i + order[c]];
    }
    return out;
}

function decode(decoder, data) {
    let width, height, rgb;
    if (decoder === 'utif') {
        const UTIF = require(path.join(modules, 'utif'));
        const ifds = UTIF.decode(data);
        if (ifds.length !== 1) throw new Error(`${ifds.length} image directories`);
        UTIF.decodeImage(data, ifds[0]);
        width = ifds[0].width;
        height = ifds[0].height;
        rgb = fromRgba(width, height, UTIF.toRGBA8(ifds[0]), [0, 1, 2]);
    } else if (decoder === 'omggif') {
        const { GifReader } = require(path.join(modules, 'omggif'));
        const reader = new GifReader(new Uint8Array(data));
        if (reader.numFrames() !== 1) throw new Error(`${reader.numFrames()} frames`);
        width = reader.width;
        height = reader.height;
        const rgba = new Uint8Array(width * height * 4);
        reader.decodeAndBlitFrameRGBA(0, rgba);
        rgb = fromRgba(width, height, rgba, [0, 1, 2]);
    } else if (decoder === 'bmpjs') {
        const bmp = require(path.join(modules, 'bmp-js'));
        const image = bmp.decode(data);
        width = image.width;
        height = image.height;
        rgb = fromRgba(width, height, image.data, [3, 2, 1]); // bmp-js stores A, B, G, R
    } else if (decoder === 'pngjs') {
        const { PNG } = require(path.join(modules, 'pngjs'));
        const image = PNG.sync.read(data);
        width = image.width;
        height = image.height;
        rgb = fromRgba(width, height, image.data, [0, 1, 2]);
    } else {
        throw new Error(`unknown decoder ${decoder}`);
    }
    return Buffer.concat([Buffer.from(`${width} ${height}\n`), rgb]);
}

const [decoder, ...rest] = process.argv.slice(2);
if (rest[0] === '--batch') {
    const outDir = rest[1];
    rest.slice(2).forEach((file, index) => {
        try {
            fs.writeFileSync(path.join(outDir, `${index}.rgb`), decode(decoder, fs.readFileSync(file)));
        } catch (error) {
            fs.writeFileSync(path.join(outDir, `${index}.err`), String(error && error.stack || error));
        }
    });
} else {
    process.stdout.write(decode(decoder, fs.readFileSync(rest[0])));
}
