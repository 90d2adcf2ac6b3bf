#!/usr/bin/env node
// Counts the games of PGN files without Kelvane's reader, to check what a scan reports.
//
//   node bench/count_games.mjs FILE...
//
// Prints one line per file: the games found, how many of them chess.js loads, and the file.
// Exit status 1 when chess.js refuses a game (each refusal is told on standard error).
//
// The file is cut into games by the tokens of the PGN standard, not by lines: a game ends at
// a result (1-0, 0-1, 1/2-1/2, *) that stands outside comments ({...} and ; to the line's end),
// variations (...), tag pairs [...] and escape lines (% in the first column). Text after the
// last result that holds a move number is a last game without a result. Each game is then
// handed to chess.js (npm package chess.js, see bench/package.json), which plays its moves
// from the start or from its FEN tag, so a wrong cut shows as a refused game.
import { readFileSync } from 'node:fs';
import { Chess } from 'chess.js';

const RESULTS = new Set(['1-0', '0-1', '1/2-1/2', '*']);

function splitGames(text) {
  if (text.charCodeAt(0) === 0xfeff) text = text.slice(1);
  const games = [];
  let start = 0;
  let depth = 0;
  let i = 0;
  const n = text.length;
  const lineStart = (k) => k === 0 || text[k - 1] === '\n' || text[k - 1] === '\r';
  while (i < n) {
    const c = text[i];
    if (c === '{') {
      const end = text.indexOf('}', i + 1);
      i = end < 0 ? n : end + 1;
    } else if (c === ';' || (c === '%' && lineStart(i))) {
      while (i < n && text[i] !== '\n' && text[i] !== '\r') ++i;
    } else if (c === '[' && depth === 0) {
      // A tag pair: its string may hold "]" and escaped quotes.
      ++i;
      let inString = false;
      while (i < n && (inString || text[i] !== ']')) {
        if (text[i] === '\\' && inString) ++i;
        else if (text[i] === '"') inString = !inString;
        else if ((text[i] === '\n' || text[i] === '\r') && !inString) break;
        ++i;
      }
      ++i;
    } else if (c === '(') {
      ++depth;
      ++i;
    } else if (c === ')') {
      if (depth > 0) --depth;
      ++i;
    } else if (/\s/.test(c)) {
      ++i;
    } else {
      let j = i;
      while (j < n && !/[\s{}()[\];]/.test(text[j])) ++j;
      const token = text.slice(i, j);
      i = j;
      if (depth === 0 && RESULTS.has(token)) {
        games.push(text.slice(start, i));
        start = i;
      }
    }
  }
  const rest = text.slice(start);
  if (/\d+\./.test(rest.replace(/\{[^}]*\}?/g, '').replace(/\[[^\]\n]*\]/g, '')))
    games.push(rest);
  return games;
}

// chess.js reads one game and is stricter than the standard in ways that have nothing to do
// with where a game ends: it refuses two comments in a row, a FEN whose move number is 0, and
// tag values with unescaped quotes. So it gets only the moves, without comments, and the FEN
// and SetUp tags, a FEN move number 0 made 1.
function loads(game) {
  const tags = [];
  const moves = [];
  for (const line of game.split(/\r\n|\n|\r/)) {
    if (!/^\s*\[/.test(line)) moves.push(line);
    else if (/^\s*\[(FEN|SetUp) /.test(line)) tags.push(line.replace(/ 0"\]\s*$/, ' 1"]'));
  }
  const text = tags.join('\n') + '\n\n' +
    moves.join('\n').replace(/\{[^}]*\}?/g, ' ').replace(/;[^\n]*/g, '');
  try {
    new Chess().loadPgn(text);
    return null;
  } catch (e) {
    return e.message;
  }
}

let refused = 0;
for (const file of process.argv.slice(2)) {
  const games = splitGames(readFileSync(file, 'utf8'));
  let ok = 0;
  games.forEach((game, k) => {
    const why = loads(game);
    if (why === null) {
      ++ok;
    } else {
      ++refused;
      console.error(`${file}: game ${k + 1}: ${why}`);
    }
  });
  console.log(`${games.length}\t${ok}\t${file}`);
}
process.exit(refused ? 1 : 0);
