// The Temporal proposal's polyfill, an independent implementation of the
// arithmetic spans follow, for the span tests. Run with node:
//   node span_oracle.mjs <the polyfill's dist/index.esm.js> < questions > answers
// Each line of questions is tab-separated, and its answer Temporal's text:
//   until|since  plain|zoned  A  B  largest  smallest  increment  mode
//   add          plain|zoned  A  DURATION
//   round        plain|zoned  A  smallest  increment  mode
// A and B are ISO date-times (plain) or RFC 9557 texts (zoned); "error"
// where Temporal throws.
import { createInterface } from 'node:readline';
import { pathToFileURL } from 'node:url';

const { Temporal } = await import(pathToFileURL(process.argv[2]).href);
const lines = createInterface({ input: process.stdin });
for await (const line of lines) {
  const [operation, kind, a, ...rest] = line.split('\t');
  const From = kind === 'plain' ? Temporal.PlainDateTime : Temporal.ZonedDateTime;
  let answer;
  try {
    const start = From.from(a);
    if (operation === 'until' || operation === 'since') {
      const [b, largestUnit, smallestUnit, increment, roundingMode] = rest;
      answer = start[operation](From.from(b), {
        largestUnit, smallestUnit, roundingIncrement: Number(increment), roundingMode,
      }).toString();
    } else if (operation === 'add') {
      answer = start.add(Temporal.Duration.from(rest[0])).toString();
    } else {
      const [smallestUnit, increment, roundingMode] = rest;
      answer = start.round({ smallestUnit, roundingIncrement: Number(increment), roundingMode }).toString();
    }
  } catch (error) {
    answer = 'error';
  }
  console.log(answer);
}
