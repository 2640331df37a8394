// orvik.d.ts used as a TypeScript program would use it, compiled strictly by types.test.mjs: the
// declarations compile, the objects' shapes narrow as their JSON does, and wrong arguments are
// type errors.
import createOrvik, { Audit, Caught, OddsAnswer, OddsOptions, RolledResult, Roll } from 'orvik';

export async function use(): Promise<void> {
  const orvik = await createOrvik();
  orvik.seed(orvik.seed());
  const roll: Roll = orvik.roll('3d6 d8', { sneak: true });
  if ('sides' in roll) {
    const result: RolledResult = roll;
    const faces: number[] = result.groups[0].faces;
    const sneak: number | undefined = result.sneak?.total;
    console.log(faces, sneak, result.modifier);
  }
  for (const odds of orvik.odds('2d6')) {
    if ('error' in odds) console.log(odds.error);
    else console.log(odds.totals[0].at_least, odds.totals[0].at_most, odds.mean, odds.standard_deviation);
  }
  for (const odds of orvik.odds(['2#d20'], { atLeast: 15n })) {
    if (!('error' in odds)) console.log(odds.exactly.length, odds.or_more[0], odds.target, odds.at_least);
  }
  for (const odds of orvik.odds('d20', { vs: 'd6' })) {
    if ('refused' in odds) console.log(odds.refused, odds.vs);
    else console.log(odds.greater, odds.equal, odds.less);
  }
  const any: OddsAnswer[] = orvik.odds('d6', { sneak: false });
  const stop = new AbortController();
  const audits = await orvik.audit(['d20'], { rolls: 1000, idealDice: true, signal: stop.signal, onProgress: ({ done, rolls }) => done / rolls });
  for (const audit of audits) {
    if ('error' in audit) continue;
    const tested: Audit = audit;
    console.log(tested.chi_square.classes[0].observed, tested.mean.p, tested.mean.exact, tested.verdict);
    const dice: 'orvik' | 'ideal' = tested.dice;
    console.log(dice, tested.p_adjusted ?? tested.p, tested.audits, tested.chi_square.tail_p, tested.chi_square.p_from);
    console.log(tested.chi_square.simulated?.seed, tested.other_dice?.chance, tested.anytime.e_value, tested.anytime.flagged);
    console.log(tested.pooled_shifts?.[0], tested.caught.map((c: Caught) => (c.bias === 'face' ? c.face * c.times : c.shift)));
    for (const caught of tested.caught) {
      console.log(caught.words, caught.chance, caught.totals_for_90 ?? 'none');
      // @ts-expect-error: a shift has no face
      if (caught.bias === 'shift') console.log(caught.face);
    }
  }
  const log = await orvik.auditLog('', { from: '<Orvik>', byRoller: true, idealDice: false, source: 'game.log', onProgress: ({ lines }) => lines });
  console.log(log.summary, log.audits[0]?.roller, any.length, log.untested, log.outOfMemoryAt ?? 0);
  const headline: string | null = log.headline;
  console.log(headline, log.unlikely === true);
  for (const audit of log.audits) {
    if ('error' in audit) console.log(audit.rolls, audit.error);
    else console.log(audit.verdict);
  }
  // @ts-expect-error: outOfMemoryAt may be null
  const line: number = log.outOfMemoryAt;
  const lines: string[] = [orvik.json.roll('d6'), ...orvik.json.odds(['d6']), ...(await orvik.json.audit('d6'))];
  console.log(lines, (await orvik.json.auditLog('')).audits);
  // @ts-expect-error: a number is no text
  orvik.roll(5);
  // @ts-expect-error: sneak is true or false
  orvik.roll('d6', { sneak: 1 });
  // @ts-expect-error: rolls is a number
  await orvik.audit('d6', { rolls: '100' });
  // @ts-expect-error: idealDice is true or false
  await orvik.auditLog('', { idealDice: 'yes' });
  // @ts-expect-error: atLeast and vs ask different questions, and together always throw
  orvik.odds('d6', { atLeast: 3, vs: 'd6' });
  // @ts-expect-error: the same through the JSON call
  orvik.json.odds('d6', { atLeast: 3n, vs: 'd6' });
  const asked: OddsOptions = Math.random() < 0.5 ? { atLeast: 3 } : { vs: 'd6' };
  console.log(orvik.odds('d6', asked).length);
}
